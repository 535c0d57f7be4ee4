// TDropTarget: what the main window accepts by OLE drag and drop: text and
// web addresses from other programs, and files (registering a drop target
// replaces WM_DROPFILES, so files come through here too).
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

namespace qm {

class TDropTarget : public IDropTarget {
public:
    // Text as dropped (cut at its first NUL), and the paths of dropped files.
    TDropTarget(std::function<void(const std::wstring&)> onText,
                std::function<void(std::vector<std::wstring>)> onFiles);
    virtual ~TDropTarget() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDropTarget
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

private:
    LONG references_ = 1;
    bool acceptable_ = false;
    std::function<void(const std::wstring&)> onText_;
    std::function<void(std::vector<std::wstring>)> onFiles_;
};

// The text of a data object: Unicode text when it has it, else ANSI text; cut
// at the first NUL. Empty when it holds no text.
std::wstring DroppedText(IDataObject* data);
// The files of a data object's CF_HDROP; empty when it has none.
std::vector<std::wstring> DroppedFiles(IDataObject* data);
// The files of a drop handle.
std::vector<std::wstring> FilesOfDrop(HDROP drop);

// Registers the window as a drop target for as long as the object lives.
class TDropRegistration {
public:
    TDropRegistration() = default;
    ~TDropRegistration() { Revoke(); }
    TDropRegistration(const TDropRegistration&) = delete;
    TDropRegistration& operator=(const TDropRegistration&) = delete;
    bool Register(HWND window, IDropTarget* target);
    void Revoke();

private:
    HWND window_ = nullptr;
};

}  // namespace qm
