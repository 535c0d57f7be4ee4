#include "capture/browserpages.h"

#include <ddeml.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>

#include "base/guarded.h"
#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/privacy.h"
#include "capture/openlocations.h"
#include "capture/uiaclient.h"
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
        // One service failing only skips that service.
        bool stop = false;
        Guarded(L"DDE browser", [&] {
            std::optional<std::wstring> reply = impl_->Request(service);
            if (!impl_->hung.empty()) {
                stop = true;
                return;
            }
            if (!reply) return;
            if (std::optional<TLocationPair> page = ParseDdeReply(*reply)) pages_.push_back(std::move(*page));
        });
        if (stop) break;
    }
    return pages_;
}

// ---- Browser windows ----

bool IsKnownBrowser(const std::wstring& executablePath) {
    static const wchar_t* const programs[] = {
        L"chrome.exe", L"msedge.exe", L"firefox.exe", L"brave.exe", L"vivaldi.exe", L"opera.exe", L"chromium.exe",
    };
    std::wstring name = ToLower(FileNameOf(Trim(executablePath)));
    for (const wchar_t* program : programs)
        if (name == program) return true;
    return false;
}

namespace {

bool IsAsciiDigits(const std::wstring& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

bool IsPort(const std::wstring& s) { return IsAsciiDigits(s) && s.size() <= 5 && std::stoul(s) <= 65535; }

bool IsIpv4(const std::wstring& host) {
    std::vector<std::wstring> parts = SplitAt(host, L'.');
    if (parts.size() != 4) return false;
    for (const std::wstring& p : parts)
        if (!IsAsciiDigits(p) || p.size() > 3 || std::stoul(p) > 255) return false;
    return true;
}

bool IsHostLabel(const std::wstring& label) {
    if (label.empty() || label.size() > 63 || label.front() == L'-' || label.back() == L'-') return false;
    return std::all_of(label.begin(), label.end(), [](wchar_t c) { return c == L'-' || iswalnum(c); });
}

// A dotted host name whose last label is not a number ("3.14" is no host).
bool IsDomainName(std::wstring host) {
    if (!host.empty() && host.back() == L'.') host.pop_back();
    std::vector<std::wstring> labels = SplitAt(host, L'.');
    if (labels.size() < 2 || IsAsciiDigits(labels.back())) return false;
    return std::all_of(labels.begin(), labels.end(), IsHostLabel);
}

bool IsBracketedIpv6(const std::wstring& host) {
    if (host.size() < 4 || host.front() != L'[' || host.back() != L']') return false;
    std::wstring inner = host.substr(1, host.size() - 2);
    return inner.find(L':') != std::wstring::npos &&
           std::all_of(inner.begin(), inner.end(), [](wchar_t c) { return iswxdigit(c) || c == L':' || c == L'.'; });
}

// "host", "host:port" or "[v6]:port", the text before the first "/", "?" or "#".
bool IsHostAndPort(const std::wstring& authority) {
    std::wstring host = authority;
    size_t colon = authority.rfind(L':');
    if (colon != std::wstring::npos && authority.find(L']', colon) == std::wstring::npos) {
        if (!IsPort(authority.substr(colon + 1))) return false;
        host = authority.substr(0, colon);
    }
    return EqualsNoCase(host, L"localhost") || IsIpv4(host) || IsBracketedIpv6(host) || IsDomainName(host);
}

std::wstring AuthorityOf(const std::wstring& rest) { return rest.substr(0, rest.find_first_of(L"/?#")); }

}  // namespace

std::optional<std::wstring> WebAddressOf(const std::wstring& boxText, const wchar_t* defaultScheme) {
    std::wstring text = Trim(boxText);
    if (IsIgnorableAddress(text)) return std::nullopt;
    for (const wchar_t* scheme : {L"http://", L"https://"}) {
        if (!StartsWithNoCase(text, scheme)) continue;
        std::wstring authority = AuthorityOf(text.substr(wcslen(scheme)));
        if (authority.empty() || std::any_of(authority.begin(), authority.end(), iswspace)) return std::nullopt;
        return text;
    }
    // Any other scheme ("chrome://settings", "file:///C:/", "about:config",
    // "mailto:") fails the host test, while "host:8080/x" is a host with a port.
    if (!IsHostAndPort(AuthorityOf(text))) return std::nullopt;
    return defaultScheme + text;
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
        L" - Brave",
        L" - Vivaldi",
        L" - Opera",
    };
    std::wstring title = TrimRight(windowTitle);
    for (const wchar_t* suffix : suffixes)
        if (EndsWith(title, suffix)) return Trim(title.substr(0, title.size() - wcslen(suffix)));
    return Trim(title);
}

std::optional<TLocationPair> BrowserPair(const std::wstring& boxText, const std::wstring& title,
                                         const wchar_t* defaultScheme) {
    std::optional<std::wstring> address = WebAddressOf(boxText, defaultScheme);
    if (!address) return std::nullopt;
    std::wstring t = Trim(title);
    return TLocationPair{*address, t.empty() ? *address : t};
}

std::optional<TLocationPair> OldChromePage(const TWindowPathFn& imageOf) {
    std::vector<std::wstring> lines;  // the window texts, one a line; only the first two are used
    for (HWND chrome : TopLevelWindows()) {
        if (lines.size() >= 2) break;
        if (ClassNameOf(chrome) != L"Chrome_WidgetWin_0" || !IsKnownBrowser(imageOf(chrome))) continue;
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
    return BrowserPair(lines[1], lines[0], kOldChromeScheme);
}

std::optional<TLocationPair> CurrentBrowserPage(IAddressBoxReader& reader, const TWindowPathFn& imageOf) {
    int asked = 0;
    for (HWND w : TopLevelWindows()) {
        std::wstring cls = ClassNameOf(w);
        if (cls != L"Chrome_WidgetWin_1" && cls != L"MozillaWindowClass") continue;
        // The browsers' menus, pop-ups and helper windows are hidden, owned or untitled.
        if (!::IsWindowVisible(w) || ::GetWindow(w, GW_OWNER)) continue;
        std::wstring title = WindowTextOf(w);
        if (Trim(title).empty() || !IsKnownBrowser(imageOf(w))) continue;
        // A private window's page is never recorded, nor its address read.
        if (IsPrivateWindowTitle(title)) continue;
        std::optional<std::wstring> text = reader.Address(w);
        std::optional<TLocationPair> page;
        if (text) page = BrowserPair(*text, StripBrowserSuffix(title), kCurrentBrowserScheme);
        if (page) return page;
        if (++asked >= kMaxBrowserWindowsAsked) break;
    }
    return std::nullopt;
}

std::optional<TLocationPair> BrowserWindowPage(IAddressBoxReader& reader, const TWindowPathFn& imageOf) {
    if (std::optional<TLocationPair> page = OldChromePage(imageOf)) return page;
    return CurrentBrowserPage(reader, imageOf);
}

// ---- UI Automation ----

namespace {

using namespace uia;

constexpr DWORD kUiaTimeoutMs = 1000;

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
    std::optional<std::wstring> address;
    Guarded(L"address box", [&] { address = impl_->Address(browserWindow); });
    return address;
}

// ---- The query ----

TBrowserPageQuery::TBrowserPageQuery(std::function<std::vector<TLocationPair>()> sessionPages)
    : sessionPages_(std::move(sessionPages)) {}
TBrowserPageQuery::~TBrowserPageQuery() = default;

std::vector<TLocationPair> TBrowserPageQuery::Query() {
    if (!dde_) dde_ = std::make_unique<TWebbrowserActiveUrl>();
    std::vector<TLocationPair> pages = dde_->Query();
    // Every tab the browsers' session files hold; the one page of a browser
    // window only where no session file can be read.
    std::vector<TLocationPair> sessions;
    if (sessionPages_) Guarded(L"browser sessions", [&] { sessions = sessionPages_(); });
    if (!sessions.empty()) {
        for (TLocationPair& page : sessions) pages.push_back(std::move(page));
        return pages;
    }
    if (!reader_) reader_ = std::make_unique<TUiaAddressBoxReader>();
    Guarded(L"browser window page", [&] {
        if (std::optional<TLocationPair> page = BrowserWindowPage(*reader_)) pages.push_back(std::move(*page));
    });
    return pages;
}

}  // namespace qm
