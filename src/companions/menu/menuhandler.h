// The Explorer context-menu handler: an in-process COM object that takes the
// selected files and folders (IShellExtInit), adds one owner-drawn item "Add to
// Quilmar ( create shortcut)" to the menu (IContextMenu3) and, when the item is
// chosen, hands the paths to the main program beside the DLL; and its class
// factory. Explorer creates it through the class identifier CLSID_QuilmarMenu.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "base/unique_any.h"

namespace qm {

inline constexpr wchar_t kMenuItemCaption[] = L"Add to Quilmar ( create shortcut)";
inline constexpr wchar_t kMenuItemVerb[] = L"QuilmarMenu";
inline constexpr wchar_t kMenuItemHelp[] = L"Quilmar menu item.";
inline constexpr int kMenuItemHeight = 23;
inline constexpr int kMenuItemExtraWidth = 36;

// Objects and locks of the module, for DllCanUnloadNow.
LONG MenuModuleReferences();

class TQuilmarMenu final : public IShellExtInit, public IContextMenu3 {
public:
    // module: the DLL, whose folder holds the main program and whose
    // resources hold the item's image "software".
    explicit TQuilmarMenu(HMODULE module);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IShellExtInit: the paths of the data object's CF_HDROP, in its order.
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;
    // IContextMenu
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) override;
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR command, UINT type, UINT* reserved, CHAR* name,
                                               UINT size) override;
    // IContextMenu2, IContextMenu3: measuring and drawing the item.
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT msg, WPARAM wp, LPARAM lp) override;
    HRESULT STDMETHODCALLTYPE HandleMenuMsg2(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    const std::vector<std::wstring>& Paths() const { return paths_; }

private:
    ~TQuilmarMenu();
    HFONT MenuFont();

    LONG refs_ = 1;
    HMODULE module_;
    std::vector<std::wstring> paths_;
    UINT firstId_ = 0;
    unique_hfont font_;
    unique_hbitmap image_;
};

class TQuilmarMenuFactory final : public IClassFactory {
public:
    explicit TQuilmarMenuFactory(HMODULE module);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~TQuilmarMenuFactory();
    LONG refs_ = 1;
    HMODULE module_;
};

}  // namespace qm
