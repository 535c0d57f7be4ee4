#include "companions/menu/menuhandler.h"

#include <strsafe.h>

#include "base/files.h"
#include "base/strings.h"
#include "companions/menu/handover.h"
#include "ui/ownerdraw.h"

namespace qm {

namespace {

LONG g_references = 0;

// The paths a data object holds as CF_HDROP.
std::vector<std::wstring> DroppedPaths(IDataObject* data) {
    std::vector<std::wstring> paths;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) return paths;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        if (auto* drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal))) {
            UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count && i < 5000; ++i) {
                UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
                std::wstring path(static_cast<size_t>(length) + 1, L'\0');
                path.resize(::DragQueryFileW(drop, i, path.data(), length + 1));
                if (!path.empty()) paths.push_back(std::move(path));
            }
            ::GlobalUnlock(medium.hGlobal);
        }
    }
    ::ReleaseStgMedium(&medium);
    return paths;
}

// The verb of an invocation: text when it has one, else empty (an offset).
std::wstring InvokedVerb(const CMINVOKECOMMANDINFO* info) {
    if (info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE)) {
        const auto* ex = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info);
        if (!IS_INTRESOURCE(ex->lpVerbW)) return ex->lpVerbW;
    }
    if (!IS_INTRESOURCE(info->lpVerb)) return AnsiToWide(info->lpVerb);
    return {};
}

template <class Char>
HRESULT CopyText(const wchar_t* text, Char* out, UINT size) {
    if (!out || size == 0) return E_INVALIDARG;
    if constexpr (sizeof(Char) == sizeof(wchar_t)) {
        return ::StringCchCopyW(reinterpret_cast<wchar_t*>(out), size, text);
    } else {
        return ::StringCchCopyA(out, size, WideToAnsi(text).c_str());
    }
}

}  // namespace

LONG MenuModuleReferences() { return g_references; }

TQuilmarMenu::TQuilmarMenu(HMODULE module) : module_(module) { ::InterlockedIncrement(&g_references); }

TQuilmarMenu::~TQuilmarMenu() { ::InterlockedDecrement(&g_references); }

HRESULT STDMETHODCALLTYPE TQuilmarMenu::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IShellExtInit) {
        *out = static_cast<IShellExtInit*>(this);
    } else if (iid == IID_IContextMenu || iid == IID_IContextMenu2 || iid == IID_IContextMenu3) {
        *out = static_cast<IContextMenu3*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TQuilmarMenu::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG STDMETHODCALLTYPE TQuilmarMenu::Release() {
    LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE TQuilmarMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    if (!data) return E_INVALIDARG;
    paths_ = DroppedPaths(data);
    return paths_.empty() ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE TQuilmarMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId,
                                                         UINT flags) {
    if ((flags & CMF_DEFAULTONLY) || firstId > lastId) return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_DATA;
    item.fType = MFT_OWNERDRAW;
    item.wID = firstId;
    item.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    item.dwTypeData = const_cast<wchar_t*>(kMenuItemCaption);
    if (!::InsertMenuItemW(menu, index, TRUE, &item)) return HRESULT_FROM_WIN32(::GetLastError());
    firstId_ = firstId;
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 1);
}

HRESULT STDMETHODCALLTYPE TQuilmarMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    if (!info || info->cbSize < sizeof(CMINVOKECOMMANDINFO)) return E_INVALIDARG;
    std::wstring verb = InvokedVerb(info);
    if (verb.empty() ? LOWORD(reinterpret_cast<ULONG_PTR>(info->lpVerb)) != 0 : !EqualsNoCase(verb, kMenuItemVerb))
        return E_INVALIDARG;
    HandOverPaths(paths_, ModuleFolder(module_), info->hwnd);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TQuilmarMenu::GetCommandString(UINT_PTR command, UINT type, UINT*, CHAR* name, UINT size) {
    if (command != 0) return E_INVALIDARG;
    switch (type) {
        case GCS_VERBW: return CopyText(kMenuItemVerb, reinterpret_cast<wchar_t*>(name), size);
        case GCS_VERBA: return CopyText(kMenuItemVerb, name, size);
        case GCS_HELPTEXTW: return CopyText(kMenuItemHelp, reinterpret_cast<wchar_t*>(name), size);
        case GCS_HELPTEXTA: return CopyText(kMenuItemHelp, name, size);
        case GCS_VALIDATEW:
        case GCS_VALIDATEA: return S_OK;
        default: return E_INVALIDARG;
    }
}

HFONT TQuilmarMenu::MenuFont() {
    if (!font_) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            font_.reset(::CreateFontIndirectW(&metrics.lfMenuFont));
    }
    return font_ ? font_.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

HRESULT STDMETHODCALLTYPE TQuilmarMenu::HandleMenuMsg(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT ignored = 0;
    return HandleMenuMsg2(msg, wp, lp, &ignored);
}

HRESULT STDMETHODCALLTYPE TQuilmarMenu::HandleMenuMsg2(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
    LRESULT answer = 0;
    HRESULT hr = S_OK;
    switch (msg) {
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (!measure || measure->CtlType != ODT_MENU || measure->itemID != firstId_) {
                hr = S_FALSE;
                break;
            }
            unique_window_dc screen(nullptr);
            measure->itemWidth =
                static_cast<UINT>(CaptionSize(screen.get(), kMenuItemCaption, MenuFont()).cx + kMenuItemExtraWidth);
            measure->itemHeight = kMenuItemHeight;
            answer = TRUE;
            break;
        }
        case WM_DRAWITEM: {
            const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (!draw || draw->CtlType != ODT_MENU || draw->itemID != firstId_) {
                hr = S_FALSE;
                break;
            }
            if (!image_) image_ = LoadBitmapResource(module_, L"software");
            DrawImageCaptionItem(draw->hDC, draw->rcItem, (draw->itemState & ODS_SELECTED) != 0, image_.get(),
                                 POINT{2, 2}, kMenuItemCaption, POINT{18, 3}, MenuFont());
            answer = TRUE;
            break;
        }
        default: hr = S_FALSE; break;
    }
    if (result) *result = answer;
    return hr;
}

TQuilmarMenuFactory::TQuilmarMenuFactory(HMODULE module) : module_(module) { ::InterlockedIncrement(&g_references); }

TQuilmarMenuFactory::~TQuilmarMenuFactory() { ::InterlockedDecrement(&g_references); }

HRESULT STDMETHODCALLTYPE TQuilmarMenuFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TQuilmarMenuFactory::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG STDMETHODCALLTYPE TQuilmarMenuFactory::Release() {
    LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE TQuilmarMenuFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* menu = new (std::nothrow) TQuilmarMenu(module_);
    if (!menu) return E_OUTOFMEMORY;
    HRESULT hr = menu->QueryInterface(iid, out);
    menu->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE TQuilmarMenuFactory::LockServer(BOOL lock) {
    if (lock)
        ::InterlockedIncrement(&g_references);
    else
        ::InterlockedDecrement(&g_references);
    return S_OK;
}

}  // namespace qm
