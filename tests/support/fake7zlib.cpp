// Stand-ins for libraries that are not the 7-Zip format library: built once
// with CreateObject only (a codec library, "not a Format library") and once with
// neither entry point ("not a 7z library").
#include <windows.h>

extern "C" {

#ifdef QM_FAKE_CREATE_OBJECT
__declspec(dllexport) HRESULT WINAPI CreateObject(const GUID*, const GUID*, void** object) {
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
#endif

__declspec(dllexport) int WINAPI FakeLibraryVersion() { return 1; }
}
