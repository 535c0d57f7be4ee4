#include "capture/openlocations.h"

#include <exdisp.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>

#include "base/guarded.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/browserpages.h"
#include "capture/browsersessions.h"
#include "capture/pathutil.h"

namespace qm {

using Microsoft::WRL::ComPtr;

namespace {

// A VARIANT that is cleared when it goes.
struct TVariant {
    VARIANT v;
    TVariant() { ::VariantInit(&v); }
    ~TVariant() { ::VariantClear(&v); }
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;
};

std::wstring FromBstr(BSTR s) { return s ? std::wstring(s, ::SysStringLen(s)) : std::wstring(); }

bool SameLocation(const std::wstring& a, const std::wstring& b) { return ToLower(Trim(a)) == ToLower(Trim(b)); }

}  // namespace

UINT SystemDriveType(const std::wstring& root) { return ::GetDriveTypeW(root.c_str()); }

bool IsIgnorableAddress(const std::wstring& address) {
    if (Trim(address).empty() || address == L"http://" || address == L"https://") return true;
    std::wstring a = ToLower(Trim(address));
    return a == L"about:tabs" || a == L"about:blank" || a == L"about:home";
}

std::wstring RemovableDiskLabel(const std::wstring& title, const TDriveTypeFn& driveType) {
    // Only a drive root's own title: a page titled "E: news" keeps its title.
    if (title.size() < 2 || title.size() > 3 || title[1] != L':') return title;
    if (title.size() == 3 && title[2] != L'\\') return title;
    std::wstring drive = title.substr(0, 2);
    if (driveType(ToUpper(drive) + L"\\") != DRIVE_REMOVABLE) return title;
    return L"Removable Disk (" + drive + L")";
}

std::vector<std::wstring> RemovableDriveRoots(const TDriveTypeFn& driveType) {
    std::vector<std::wstring> roots;
    for (wchar_t letter = L'B'; letter <= L'Z'; ++letter) {
        std::wstring root{letter, L':', L'\\'};
        if (driveType(root) == DRIVE_REMOVABLE) roots.push_back(root);
    }
    return roots;
}

std::optional<std::wstring> DocumentTitle(IDispatch* document) {
    if (!document) return std::nullopt;
    wchar_t name[] = L"title";
    LPOLESTR names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(document->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return std::nullopt;
    DISPPARAMS none{};
    TVariant result;
    HRESULT hr =
        document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result.v, nullptr, nullptr);
    if (FAILED(hr)) {
        ::VariantClear(&result.v);
        hr = document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result.v, nullptr,
                              nullptr);
    }
    if (FAILED(hr) || FAILED(::VariantChangeType(&result.v, &result.v, 0, VT_BSTR))) return std::nullopt;
    return FromBstr(result.v.bstrVal);
}

std::optional<std::wstring> ShellWindowFolder(const std::wstring& locationUrl) {
    std::wstring loc = Trim(ReplaceAll(locationUrl, L"%25", L"%"));
    if (StartsWithNoCase(loc, L"file:///")) return ReplaceAll(ReplaceAll(loc.substr(8), L"%20", L" "), L"/", L"\\");
    // A network folder: \\host\share\...
    if (StartsWithNoCase(loc, L"file://")) return ReplaceAll(ReplaceAll(loc.substr(5), L"%20", L" "), L"/", L"\\");
    return std::nullopt;
}

// ---- The shell's window collection ----

struct TShellWindowList::Impl {
    ComPtr<IShellWindows> windows;
};

TShellWindowList::TShellWindowList() : impl_(std::make_unique<Impl>()) {}
TShellWindowList::~TShellWindowList() = default;

int TShellWindowList::Count() {
    // A new collection for every scan: one kept from before may belong to an
    // Explorer that has ended since.
    impl_->windows.Reset();
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                  reinterpret_cast<void**>(impl_->windows.GetAddressOf()))) ||
        !impl_->windows)
        return 0;
    long count = 0;
    if (FAILED(impl_->windows->get_Count(&count)) || count < 0) return 0;
    return static_cast<int>(std::min<long>(count, kWalkLimit));
}

std::optional<TShellWindow> TShellWindowList::Item(int index) {
    if (!impl_->windows) return std::nullopt;
    TVariant at;
    at.v.vt = VT_I4;
    at.v.lVal = index;
    ComPtr<IDispatch> item;
    if (FAILED(impl_->windows->Item(at.v, &item)) || !item) return std::nullopt;
    ComPtr<IWebBrowser2> browser;
    if (FAILED(item->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser.GetAddressOf()))) || !browser)
        return std::nullopt;
    TShellWindow window;
    unique_bstr url;
    if (SUCCEEDED(browser->get_LocationURL(url.put()))) window.locationUrl = FromBstr(url.get());
    ComPtr<IDispatch> document;
    window.hasDocument = SUCCEEDED(browser->get_Document(&document)) && document;
    if (window.hasDocument) window.documentTitle = DocumentTitle(document.Get());
    SHANDLE_PTR handle = 0;
    if (SUCCEEDED(browser->get_HWND(&handle))) window.window = reinterpret_cast<HWND>(handle);
    return window;
}

// ---- The scan ----

TOpenLocationScan::TOpenLocationScan()
    : TOpenLocationScan(std::make_unique<TShellWindowList>(), std::make_unique<TBrowserPageQuery>(), SystemDriveType) {}

TOpenLocationScan::TOpenLocationScan(const bool& recordAllTabs)
    : TOpenLocationScan(std::make_unique<TShellWindowList>(), std::make_unique<TBrowserPageQuery>([&recordAllTabs] {
                            return recordAllTabs ? BrowserSessionPages() : std::vector<TLocationPair>();
                        }),
                        SystemDriveType) {}

TOpenLocationScan::TOpenLocationScan(std::unique_ptr<IShellWindowList> shellWindows,
                                     std::unique_ptr<IBrowserPages> browserPages, TDriveTypeFn driveType)
    : shellWindows_(std::move(shellWindows)),
      browserPages_(std::move(browserPages)),
      driveType_(std::move(driveType)) {}

TOpenLocationScan::~TOpenLocationScan() = default;

void TOpenLocationScan::AddShellWindow(int index, bool wantWebPages, std::vector<TLocationPair>& locations) {
    std::optional<TShellWindow> window = shellWindows_->Item(index);
    if (!window || window->locationUrl.empty() || !window->hasDocument) return;
    std::wstring loc = Trim(ReplaceAll(window->locationUrl, L"%25", L"%"));
    std::wstring title;
    bool skip = false;
    std::optional<TWindowPlace> place;
    if (std::optional<std::wstring> folder = ShellWindowFolder(window->locationUrl)) {
        bool local = StartsWithNoCase(loc, L"file:///");
        loc = *folder;
        title = local ? FileNameOf(loc) : loc;
        if (title.empty()) title = DisplayName(NormaliseFolderPath(loc));  // a drive root
        if (window->window) place = placeOf(window->window);
    } else {
        if (!wantWebPages) return;
        skip = IsIgnorableAddress(loc);
        title = window->documentTitle.value_or(L"");
        if (Trim(title).empty()) title = loc;
    }
    if (skip) return;
    for (const TLocationPair& known : locations)
        if (SameLocation(known.location, loc)) return;
    locations.push_back({loc, RemovableDiskLabel(title, driveType_), place, std::nullopt});
}

void TOpenLocationScan::Scan(bool wantWebPages, std::vector<TLocationPair>& locations, const TPumpFn& pump) {
    locations.clear();
    int count = 0;
    Guarded(L"shell windows", [&] { count = shellWindows_->Count(); });
    for (int i = 0; i < count; ++i) {
        // A window that fails is left out.
        Guarded(L"shell window", [&] { AddShellWindow(i, wantWebPages, locations); });
        if (pump) pump();
    }
    if (!wantWebPages) return;
    Guarded(L"browser pages", [&] {
        for (TLocationPair& page : BrowserPages()) locations.push_back(std::move(page));
    });
}

std::vector<TLocationPair> TOpenLocationScan::BrowserPages() {
    return browserPages_ ? browserPages_->Query() : std::vector<TLocationPair>();
}

}  // namespace qm
