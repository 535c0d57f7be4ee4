#include "capture/browserpages.h"

#include <ddeml.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>

#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/openlocations.h"
#include "records/model.h"

namespace qm {

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kTextTimeoutMs = 500;         // per window message to another program
constexpr DWORD_PTR kMaxWindowText = 32768;  // characters
constexpr DWORD kMaxDdeReply = 65536;        // bytes
constexpr int kMaxBrowserWindowsAsked = 4;

BOOL CALLBACK CollectWindow(HWND w, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    list->push_back(w);
    return list->size() < static_cast<size_t>(kWalkLimit);
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// All windows below the parent, each followed by its own descendants.
std::vector<HWND> DescendantsOf(HWND parent) {
    std::vector<HWND> windows;
    ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::wstring ClassNameOf(HWND w) {
    wchar_t name[129] = {};
    int n = ::GetClassNameW(w, name, 129);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// The window's text, asked with a time limit so a hung program cannot hold us.
std::wstring WindowTextOf(HWND w) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kTextTimeoutMs, &length))
        return {};
    length = std::min(length, kMaxWindowText);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(w, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, kTextTimeoutMs, &copied))
        return {};
    text.resize(std::min<size_t>(copied, length));
    if (size_t end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return text;
}

}  // namespace

// ---- DDE browsers ----

std::optional<TLocationPair> ParseDdeReply(const std::wstring& reply) {
    if (reply.empty()) return std::nullopt;
    std::wstring rest = reply.substr(1);  // the opening quote
    size_t separator = rest.find(L"\",\"");
    if (separator == std::wstring::npos) return std::nullopt;
    std::wstring address = rest.substr(0, separator);
    rest.erase(0, separator + 3);
    size_t quote = rest.find(L'"');
    // A reply cut short has no closing quote: its title runs to the end.
    std::wstring title = quote == std::wstring::npos ? rest : rest.substr(0, quote);
    if (address.empty() || IsIgnorableAddress(address)) return std::nullopt;
    if (Trim(title).empty()) title = address;
    return TLocationPair{address, title};
}

namespace {

HDDEDATA CALLBACK IgnoreDdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

struct dde_instance_traits {
    using pointer = DWORD;
    static pointer invalid() noexcept { return 0; }
    static void close(pointer p) noexcept { ::DdeUninitialize(p); }
};
using unique_ddeinstance = unique_any<dde_instance_traits>;
using unique_hconv = unique_any<detail::null_traits<HCONV, ::DdeDisconnect>>;
using unique_hddedata = unique_any<detail::null_traits<HDDEDATA, ::DdeFreeDataHandle>>;

// A DDE string handle of an instance.
class TDdeString {
public:
    TDdeString(DWORD instance, const wchar_t* text)
        : instance_(instance), handle_(instance ? ::DdeCreateStringHandleW(instance, text, CP_WINUNICODE) : nullptr) {}
    ~TDdeString() {
        if (handle_) ::DdeFreeStringHandle(instance_, handle_);
    }
    TDdeString(const TDdeString&) = delete;
    TDdeString& operator=(const TDdeString&) = delete;
    HSZ get() const { return handle_; }

private:
    DWORD instance_;
    HSZ handle_;
};

DWORD StartDdeClient() {
    DWORD instance = 0;
    if (::DdeInitializeW(&instance, IgnoreDdeCallback, APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS, 0) !=
        DMLERR_NO_ERROR)
        return 0;
    return instance;
}

// A DDE partner whose window still handles messages (or is gone).
bool PartnerResponds(HCONV conversation) {
    CONVINFO info{};
    info.cb = sizeof(info);
    if (!::DdeQueryConvInfo(conversation, QID_SYNC, &info) || !::IsWindow(info.hwndPartner)) return true;
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(info.hwndPartner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &ignored) != 0;
}

}  // namespace

struct TWebbrowserActiveUrl::Impl {
    explicit Impl(DWORD timeout)
        : timeoutMs(timeout),
          instance(StartDdeClient()),
          topic(instance.get(), L"WWW_GetWindowInfo"),
          item(instance.get(), L"0xFFFFFFFF,sURL,sTitle") {}

    ~Impl() {
        // Ending the instance would say goodbye to a partner that still hangs and
        // wait for its answer: the program's end frees the instance instead.
        if (PartnersHang()) (void)instance.release();
    }

    // Ends the conversations whose partners answer again (or are gone) and tells
    // whether one still hangs. While one does, no service is asked: connecting
    // sends to every program's DDE windows, and one that has just stopped
    // answering would hold the connect until it recovers.
    bool PartnersHang() {
        std::vector<HCONV> stillHung;
        for (HCONV conversation : hung) {
            if (PartnerResponds(conversation))
                ::DdeDisconnect(conversation);
            else
                stillHung.push_back(conversation);
        }
        hung.swap(stillHung);
        return !hung.empty();
    }

    // The reply text of one service; nothing when it is not running or does not answer.
    std::optional<std::wstring> Request(const wchar_t* serviceName) {
        if (!instance || !topic.get() || !item.get()) return std::nullopt;
        TDdeString service(instance.get(), serviceName);
        if (!service.get()) return std::nullopt;
        unique_hconv conversation(::DdeConnect(instance.get(), service.get(), topic.get(), nullptr));
        if (!conversation) return std::nullopt;
        unique_hddedata data(::DdeClientTransaction(nullptr, 0, conversation.get(), item.get(), CF_TEXT, XTYP_REQUEST,
                                                    timeoutMs, nullptr));
        if (!data) {
            // Saying goodbye to a partner that does not answer waits for its reply
            // (ten seconds under Wine): the conversation is kept until it answers.
            if (::DdeGetLastError(instance.get()) == DMLERR_DATAACKTIMEOUT) hung.push_back(conversation.release());
            return std::nullopt;
        }
        DWORD size = std::min(::DdeGetData(data.get(), nullptr, 0, 0), kMaxDdeReply);
        std::string bytes(size, '\0');
        if (size > 0) size = ::DdeGetData(data.get(), reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
        bytes.resize(std::min<size_t>(size, bytes.find('\0')));
        return AnsiToWide(bytes);
    }

    DWORD timeoutMs;
    unique_ddeinstance instance;  // outlives the string handles below
    TDdeString topic;
    TDdeString item;
    std::vector<HCONV> hung;  // conversations whose partners stopped answering
};

TWebbrowserActiveUrl::TWebbrowserActiveUrl(DWORD timeoutMs) : impl_(std::make_unique<Impl>(timeoutMs)) {}
TWebbrowserActiveUrl::~TWebbrowserActiveUrl() = default;

const std::vector<TLocationPair>& TWebbrowserActiveUrl::Query() {
    pages_.clear();
    if (impl_->PartnersHang()) return pages_;
    for (const wchar_t* service : {L"Firefox", L"Netscape", L"Mosaic", L"Netscp6", L"Mozilla"}) {
        try {
            std::optional<std::wstring> reply = impl_->Request(service);
            if (!impl_->hung.empty()) break;
            if (!reply) continue;
            if (std::optional<TLocationPair> page = ParseDdeReply(*reply)) pages_.push_back(std::move(*page));
        } catch (...) {
            // One service failing only skips that service.
        }
    }
    return pages_;
}

// ---- Browser windows ----

std::wstring CompleteWebAddress(const std::wstring& address) {
    if (StartsWithNoCase(address, L"http://") || StartsWithNoCase(address, L"https://")) return address;
    return L"http://" + address;
}

std::wstring StripBrowserSuffix(const std::wstring& windowTitle) {
    static const wchar_t* const suffixes[] = {
        L" - Google Chrome",
        L" - Microsoft Edge",
        L" - Microsoft\u200B Edge",  // Edge puts a zero-width space in its name
        L" \u2014 Mozilla Firefox",
        L" - Mozilla Firefox",
        L" \u2014 Mozilla Firefox Private Browsing",
        L" - Mozilla Firefox Private Browsing",
        L" - Chromium",
    };
    std::wstring title = TrimRight(windowTitle);
    for (const wchar_t* suffix : suffixes)
        if (EndsWith(title, suffix)) return Trim(title.substr(0, title.size() - wcslen(suffix)));
    return Trim(title);
}

std::optional<TLocationPair> BrowserPair(const std::wstring& address, const std::wstring& title) {
    std::wstring a = Trim(address);
    if (IsIgnorableAddress(a)) return std::nullopt;
    a = CompleteWebAddress(a);
    std::wstring t = Trim(title);
    return TLocationPair{a, t.empty() ? a : t};
}

std::optional<TLocationPair> OldChromePage() {
    std::vector<std::wstring> lines;  // the window texts, one a line; only the first two are used
    for (HWND chrome : TopLevelWindows()) {
        if (lines.size() >= 2) break;
        if (ClassNameOf(chrome) != L"Chrome_WidgetWin_0") continue;
        for (HWND descendant : DescendantsOf(chrome)) {
            std::wstring cls = ClassNameOf(descendant);
            if (cls.empty()) continue;
            if (HWND child = ::FindWindowExW(chrome, nullptr, cls.c_str(), nullptr)) {
                std::wstring text = Trim(WindowTextOf(child));
                if (!text.empty()) lines.push_back(text);
            }
            if (cls == L"Chrome_OmniboxView" || lines.size() >= 2) break;
        }
    }
    if (lines.size() < 2) return std::nullopt;
    return BrowserPair(lines[1], lines[0]);
}

std::optional<TLocationPair> CurrentBrowserPage(IAddressBoxReader& reader) {
    int asked = 0;
    for (HWND w : TopLevelWindows()) {
        std::wstring cls = ClassNameOf(w);
        if (cls != L"Chrome_WidgetWin_1" && cls != L"MozillaWindowClass") continue;
        // The browsers' menus, pop-ups and helper windows are hidden, owned or untitled.
        if (!::IsWindowVisible(w) || ::GetWindow(w, GW_OWNER)) continue;
        std::wstring title = WindowTextOf(w);
        if (Trim(title).empty()) continue;
        if (std::optional<std::wstring> address = reader.Address(w))
            return BrowserPair(*address, StripBrowserSuffix(title));
        if (++asked >= kMaxBrowserWindowsAsked) break;
    }
    return std::nullopt;
}

std::optional<TLocationPair> BrowserWindowPage(IAddressBoxReader& reader) {
    if (std::optional<TLocationPair> page = OldChromePage()) return page;
    return CurrentBrowserPage(reader);
}

// ---- UI Automation ----
// The client interfaces of UI Automation, as far as the reader calls them (the
// MinGW headers do not declare them). Methods the reader does not call are
// declared without parameters, only to keep the order of the tables.

namespace {

constexpr GUID kClsidCUIAutomation = {0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
constexpr GUID kIidIUIAutomation = {0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
constexpr GUID kIidIUIAutomation2 = {0x34723aff, 0x0c9d, 0x49d0, {0x98, 0x96, 0x7a, 0xb5, 0x2d, 0xf8, 0xcd, 0x8a}};
constexpr GUID kIidIUIAutomationValuePattern = {
    0xa94cd8b1, 0x0844, 0x4cd6, {0x9d, 0x2d, 0x64, 0x05, 0x37, 0xab, 0x39, 0xe9}};

constexpr int kTreeScopeDescendants = 4;
constexpr int kValuePatternId = 10002;
constexpr int kControlTypePropertyId = 30003;
constexpr int kIsValuePatternAvailablePropertyId = 30043;
constexpr int kEditControlTypeId = 50004;
constexpr DWORD kUiaTimeoutMs = 1000;

struct IUiaCondition : IUnknown {};

struct IUiaElement : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeId() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirst(int scope, IUiaCondition* condition, IUiaElement** found) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAll() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValueEx() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValueEx() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPatternAs(int patternId, REFIID riid, void** pattern) = 0;
};

struct IUiaValuePattern : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentValue(BSTR* value) = 0;
};

struct IUiaAutomation : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CompareElements() = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElement() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(void* hwnd, IUiaElement** element) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPoint() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElement() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElementBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandleBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPointBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElementBuildCache() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTreeWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ControlViewWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContentViewWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RawViewWalker() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RawViewCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ControlViewCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContentViewCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateCacheRequest() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTrueCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateFalseCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePropertyCondition(int propertyId, VARIANT value,
                                                              IUiaCondition** condition) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePropertyConditionEx() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAndCondition(IUiaCondition* first, IUiaCondition* second,
                                                         IUiaCondition** condition) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAndConditionFromArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAndConditionFromNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateOrCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateOrConditionFromArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateOrConditionFromNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNotCondition() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddAutomationEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveAutomationEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPropertyChangedEventHandlerNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPropertyChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePropertyChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddStructureChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveStructureChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddFocusChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFocusChangedEventHandler() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveAllEventHandlers() = 0;
    virtual HRESULT STDMETHODCALLTYPE IntNativeArrayToSafeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE IntSafeArrayToNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE RectToVariant() = 0;
    virtual HRESULT STDMETHODCALLTYPE VariantToRect() = 0;
    virtual HRESULT STDMETHODCALLTYPE SafeArrayToRectNativeArray() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateProxyFactoryEntry() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProxyFactoryMapping() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyProgrammaticName() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPatternProgrammaticName() = 0;
    virtual HRESULT STDMETHODCALLTYPE PollForPotentialSupportedPatterns() = 0;
    virtual HRESULT STDMETHODCALLTYPE PollForPotentialSupportedProperties() = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckNotSupported() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReservedNotSupportedValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReservedMixedAttributeValue() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromIAccessible() = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromIAccessibleBuildCache() = 0;
};

struct IUiaAutomation2 : IUiaAutomation {
    virtual HRESULT STDMETHODCALLTYPE get_AutoSetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutoSetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionTimeout() = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ConnectionTimeout(DWORD timeoutMs) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TransactionTimeout() = 0;
    virtual HRESULT STDMETHODCALLTYPE put_TransactionTimeout(DWORD timeoutMs) = 0;
};

template <class T>
void** Out(ComPtr<T>& p) {
    return reinterpret_cast<void**>(p.ReleaseAndGetAddressOf());
}


}  // namespace

struct TUiaAddressBoxReader::Impl {
    bool started = false;
    ComPtr<IUiaAutomation> automation;
    ComPtr<IUiaCondition> editWithValue;

    // Created on first use, so the caller's COM initialisation comes first.
    bool Start() {
        if (started) return automation && editWithValue;
        started = true;
        if (FAILED(::CoCreateInstance(kClsidCUIAutomation, nullptr, CLSCTX_INPROC_SERVER, kIidIUIAutomation,
                                      Out(automation))) ||
            !automation)
            return false;
        ComPtr<IUiaAutomation2> timeouts;
        if (SUCCEEDED(automation->QueryInterface(kIidIUIAutomation2, Out(timeouts))) && timeouts) {
            timeouts->put_ConnectionTimeout(kUiaTimeoutMs);
            timeouts->put_TransactionTimeout(kUiaTimeoutMs);
        }
        VARIANT edit;
        ::VariantInit(&edit);
        edit.vt = VT_I4;
        edit.lVal = kEditControlTypeId;
        VARIANT yes;
        ::VariantInit(&yes);
        yes.vt = VT_BOOL;
        yes.boolVal = VARIANT_TRUE;
        ComPtr<IUiaCondition> isEdit, hasValue;
        if (FAILED(automation->CreatePropertyCondition(kControlTypePropertyId, edit, isEdit.GetAddressOf())) ||
            FAILED(automation->CreatePropertyCondition(kIsValuePatternAvailablePropertyId, yes,
                                                       hasValue.GetAddressOf())) ||
            FAILED(automation->CreateAndCondition(isEdit.Get(), hasValue.Get(), editWithValue.GetAddressOf())))
            editWithValue.Reset();
        return editWithValue != nullptr;
    }

    std::optional<std::wstring> Address(HWND window) {
        if (!Start()) return std::nullopt;
        ComPtr<IUiaElement> root, edit;
        if (FAILED(automation->ElementFromHandle(window, root.GetAddressOf())) || !root) return std::nullopt;
        if (FAILED(root->FindFirst(kTreeScopeDescendants, editWithValue.Get(), edit.GetAddressOf())) || !edit)
            return std::nullopt;
        ComPtr<IUiaValuePattern> value;
        if (FAILED(edit->GetCurrentPatternAs(kValuePatternId, kIidIUIAutomationValuePattern, Out(value))) || !value)
            return std::nullopt;
        unique_bstr text;
        if (FAILED(value->get_CurrentValue(text.put()))) return std::nullopt;
        return text ? std::wstring(text.get(), ::SysStringLen(text.get())) : std::wstring();
    }
};

TUiaAddressBoxReader::TUiaAddressBoxReader() : impl_(std::make_unique<Impl>()) {}
TUiaAddressBoxReader::~TUiaAddressBoxReader() = default;

std::optional<std::wstring> TUiaAddressBoxReader::Address(HWND browserWindow) {
    try {
        return impl_->Address(browserWindow);
    } catch (...) {
        return std::nullopt;
    }
}

// ---- The query ----

TBrowserPageQuery::TBrowserPageQuery() = default;
TBrowserPageQuery::~TBrowserPageQuery() = default;

std::vector<TLocationPair> TBrowserPageQuery::Query() {
    if (!dde_) dde_ = std::make_unique<TWebbrowserActiveUrl>();
    std::vector<TLocationPair> pages = dde_->Query();
    if (!reader_) reader_ = std::make_unique<TUiaAddressBoxReader>();
    try {
        if (std::optional<TLocationPair> page = BrowserWindowPage(*reader_)) pages.push_back(std::move(*page));
    } catch (...) {
    }
    return pages;
}

}  // namespace qm
