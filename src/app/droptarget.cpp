#include "app/droptarget.h"

#include <shellapi.h>

#include "base/guarded.h"
#include "base/strings.h"

namespace qm {

namespace {

FORMATETC ClipFormat(CLIPFORMAT format) { return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool Offers(IDataObject* data, CLIPFORMAT format) {
    FORMATETC f = ClipFormat(format);
    return data && data->QueryGetData(&f) == S_OK;
}

// The bytes of a global memory block the data object hands out, released at once.
std::string GlobalBytes(IDataObject* data, CLIPFORMAT format) {
    FORMATETC f = ClipFormat(format);
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&f, &medium))) return {};
    std::string bytes;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        SIZE_T size = ::GlobalSize(medium.hGlobal);
        if (const void* p = ::GlobalLock(medium.hGlobal)) {
            bytes.assign(static_cast<const char*>(p), size);
            ::GlobalUnlock(medium.hGlobal);
        }
    }
    ::ReleaseStgMedium(&medium);
    return bytes;
}

}  // namespace

std::wstring DroppedText(IDataObject* data) {
    if (Offers(data, CF_UNICODETEXT)) {
        std::string bytes = GlobalBytes(data, CF_UNICODETEXT);
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        return text.substr(0, text.find(L'\0'));
    }
    if (Offers(data, CF_TEXT)) {
        std::string bytes = GlobalBytes(data, CF_TEXT);
        return AnsiToWide(bytes.substr(0, bytes.find('\0')));
    }
    return {};
}

std::vector<std::wstring> FilesOfDrop(HDROP drop) {
    std::vector<std::wstring> files;
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring file(length + 1, L'\0');
        ::DragQueryFileW(drop, i, file.data(), length + 1);
        file.resize(length);
        files.push_back(file);
    }
    return files;
}

std::vector<std::wstring> DroppedFiles(IDataObject* data) {
    if (!Offers(data, CF_HDROP)) return {};
    FORMATETC f = ClipFormat(CF_HDROP);
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&f, &medium))) return {};
    std::vector<std::wstring> files;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) files = FilesOfDrop(static_cast<HDROP>(medium.hGlobal));
    ::ReleaseStgMedium(&medium);
    return files;
}

TDropTarget::TDropTarget(std::function<void(const std::wstring&)> onText,
                         std::function<void(std::vector<std::wstring>)> onFiles)
    : onText_(std::move(onText)), onFiles_(std::move(onFiles)) {}

HRESULT TDropTarget::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TDropTarget::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }

ULONG TDropTarget::Release() {
    LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT TDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    acceptable_ = Offers(data, CF_HDROP) || Offers(data, CF_UNICODETEXT) || Offers(data, CF_TEXT);
    if (effect) *effect = acceptable_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = acceptable_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TDropTarget::DragLeave() {
    acceptable_ = false;
    return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = DROPEFFECT_COPY;
    // The drop's data is taken now; what it adds waits for any long operation.
    Guarded(L"drop", [&] {
        std::vector<std::wstring> files = DroppedFiles(data);
        if (!files.empty()) {
            if (onFiles_) onFiles_(std::move(files));
            return;
        }
        std::wstring text = DroppedText(data);
        if (!text.empty() && onText_) onText_(text);
    });
    acceptable_ = false;
    return S_OK;
}

bool TDropRegistration::Register(HWND window, IDropTarget* target) {
    Revoke();
    if (FAILED(::RegisterDragDrop(window, target))) return false;
    window_ = window;
    return true;
}

void TDropRegistration::Revoke() {
    if (window_) ::RevokeDragDrop(window_);
    window_ = nullptr;
}

}  // namespace qm
