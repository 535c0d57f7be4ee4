// The shell's window collection of the test prefix: the Explorer and Internet
// Explorer windows the tests list in the servers' settings, each a web browser
// object with its address, its document and a window handle.
#include "servers/classes.h"

#include <oleauto.h>

#include <string>
#include <vector>

#include "base/strings.h"
#include "servers/comobject.h"
#include "servers/failing_shell.h"
#include "servers/serverconfig.h"

namespace qm::testserver {
namespace {

struct TWindowSpec {
    wchar_t kind = L'F';  // F folder, P page, N no document
    std::wstring url;
    std::wstring title;
};

struct TCollectionSpec {
    bool fail = false;
    std::vector<TWindowSpec> windows;
};

TCollectionSpec ReadSpec() {
    TCollectionSpec spec;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return spec;
    DWORD fail = 0, size = sizeof(fail);
    if (::RegQueryValueExW(key, kShellWindowsFailValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&fail), &size) ==
        ERROR_SUCCESS)
        spec.fail = fail != 0;
    size = 0;
    if (::RegQueryValueExW(key, kShellWindowsValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        ::RegQueryValueExW(key, kShellWindowsValue, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size);
        for (const wchar_t* s = text.c_str(); *s; s += wcslen(s) + 1) {
            std::vector<std::wstring> parts = SplitAt(s, L'\t');
            if (parts.size() < 2 || parts[0].size() != 1) continue;
            spec.windows.push_back({parts[0][0], parts[1], parts.size() > 2 ? parts[2] : std::wstring()});
        }
    }
    ::RegCloseKey(key);
    return spec;
}

constexpr DISPID kDispIdTitle = 1;

// A folder view's document (no "title" member) or a page's (a "title"
// property, as an HTML document has).
class TDocument : public TComObject<IDispatch> {
public:
    TDocument(bool hasTitle, std::wstring title) : hasTitle_(hasTitle), title_(std::move(title)) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return Give(count, 0u); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (count != 1 || !hasTitle_ || _wcsicmp(names[0], L"title") != 0) return DISP_E_UNKNOWNNAME;
        ids[0] = kDispIdTitle;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id != kDispIdTitle || !hasTitle_) return DISP_E_MEMBERNOTFOUND;
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;  // a property, not a method
        if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return E_POINTER;
        ::VariantInit(result);
        result->vt = VT_BSTR;
        return GiveText(&result->bstrVal, title_);
    }

private:
    bool Answers(REFIID iid) const override { return iid == IID_IDispatch; }

    bool hasTitle_;
    std::wstring title_;
};

// One window of the collection. Its handle is a message-only window of the
// server, so it names a real window without showing one.
class TWebBrowser : public TComObject<TFailingWebBrowser> {
public:
    explicit TWebBrowser(TWindowSpec spec) : spec_(std::move(spec)) {
        window_ =
            ::CreateWindowExW(0, L"STATIC", spec_.url.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }

    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override { return GiveText(url, spec_.url); }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* name) override { return GiveText(name, spec_.title); }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override {
        if (!document) return E_POINTER;
        *document = nullptr;
        if (spec_.kind == L'N') return S_FALSE;
        return Hand(new TDocument(spec_.kind == L'P', spec_.title), document);
    }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* handle) override {
        return window_ ? Give(handle, reinterpret_cast<SHANDLE_PTR>(window_)) : E_FAIL;
    }

private:
    ~TWebBrowser() override {
        if (window_) ::DestroyWindow(window_);
    }
    bool Answers(REFIID iid) const override {
        return OneOf(iid, {IID_IDispatch, __uuidof(IWebBrowser), __uuidof(IWebBrowserApp), __uuidof(IWebBrowser2)});
    }

    TWindowSpec spec_;
    HWND window_ = nullptr;
};

class TShellWindows : public TComObject<TFailingShellWindows> {
public:
    TShellWindows() : spec_(ReadSpec()) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        return spec_.fail ? E_NOTIMPL : Give(count, static_cast<LONG>(spec_.windows.size()));
    }
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** folder) override {
        if (spec_.fail) return E_NOTIMPL;
        if (!folder) return E_POINTER;
        *folder = nullptr;
        VARIANT at;
        ::VariantInit(&at);
        if (FAILED(::VariantChangeType(&at, &index, 0, VT_I4))) return E_INVALIDARG;
        if (at.lVal < 0 || at.lVal >= static_cast<LONG>(spec_.windows.size())) return S_FALSE;
        return Hand(static_cast<IDispatch*>(new TWebBrowser(spec_.windows[static_cast<size_t>(at.lVal)])), folder);
    }

private:
    bool Answers(REFIID iid) const override { return OneOf(iid, {IID_IDispatch, __uuidof(IShellWindows)}); }

    TCollectionSpec spec_;
};

}  // namespace

HRESULT CreateShellWindows(REFIID iid, void** out) { return QueryNew(new TShellWindows(), iid, out); }

}  // namespace qm::testserver
