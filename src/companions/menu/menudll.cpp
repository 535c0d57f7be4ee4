// QuilmarMenuDLL.dll: the in-process server of the context-menu handler, with
// the COM class-factory exports and its self-registration in the registry
// view of its own architecture.
#include <windows.h>
#include <olectl.h>

#include <new>

#include "base/files.h"
#include "base/registry.h"
#include "companions/menu/menuhandler.h"
#include "setup/contextmenu.h"

namespace {
HMODULE g_module = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != qm::CLSID_QuilmarMenu) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) qm::TQuilmarMenuFactory(g_module);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return qm::MenuModuleReferences() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return qm::RegisterContextMenuHandler({HKEY_LOCAL_MACHINE, qm::TRegView::Native}, qm::ModulePath(g_module), nullptr)
               ? S_OK
               : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    const qm::TRegistryPlace place{HKEY_LOCAL_MACHINE, qm::TRegView::Native};
    bool gone = qm::UnregisterContextMenuHandler(place);
    gone &= qm::RemoveContextMenuApproval(place);
    return gone ? S_OK : SELFREG_E_CLASS;
}
