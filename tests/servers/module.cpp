// test_desktopservers.dll: an in-process COM server for the test prefix with
// the two desktop services Wine lacks, the shell's window collection
// (ShellWindows) and UI Automation (CUIAutomation). The tests register it for
// those classes while they run.
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <uiautomationclient.h>

#include "servers/classes.h"
#include "servers/comobject.h"
#include "servers/serverconfig.h"

namespace qm::testserver {

LONG& ModuleReferences() {
    static LONG references = 0;
    return references;
}

namespace {

using TCreateFn = HRESULT (*)(REFIID, void**);

class TFactory : public TComObject<IClassFactory> {
public:
    explicit TFactory(TCreateFn create) : create_(create) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ::InterlockedIncrement(&ModuleReferences());
        else
            ::InterlockedDecrement(&ModuleReferences());
        return S_OK;
    }

private:
    bool Answers(REFIID iid) const override { return iid == IID_IClassFactory; }

    TCreateFn create_;
};

}  // namespace
}  // namespace qm::testserver

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    using namespace qm::testserver;
    if (!out) return E_POINTER;
    *out = nullptr;
    TCreateFn create = nullptr;
    if (clsid == __uuidof(ShellWindows))
        create = CreateShellWindows;
    else if (clsid == __uuidof(CUIAutomation))
        create = CreateAutomation;
    else if (clsid == kTestHistoryFolderClass)
        create = CreateHistoryFolder;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    return QueryNew(new TFactory(create), iid, out);
}

STDAPI DllCanUnloadNow() { return qm::testserver::ModuleReferences() == 0 ? S_OK : S_FALSE; }

extern "C" void __stdcall QmTestUiaTimeouts(unsigned long* connectionMs, unsigned long* transactionMs) {
    DWORD connection = 0, transaction = 0;
    qm::testserver::LastUiaTimeouts(connection, transaction);
    if (connectionMs) *connectionMs = connection;
    if (transactionMs) *transactionMs = transaction;
}
