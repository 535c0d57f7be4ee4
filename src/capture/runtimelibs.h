// System libraries bound at run time (psapi, kernel32, ...): loaded once by name
// from the system folder, kept for the life of the program and freed at exit.
#pragma once
#include <windows.h>

#include <string>

namespace qm {

// The library of that name from the system folder, loaded with the
// critical-error box suppressed; the same handle on every call. Null when it
// cannot be loaded or the name is not a plain file name.
HMODULE RuntimeLibrary(const std::wstring& name);

// A typed entry point of the library; null when either is missing.
template <class T>
T GetProc(HMODULE lib, const char* name) {
    if (!lib) return nullptr;
    return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(lib, name)));
}

template <class T>
T GetProc(const std::wstring& lib, const char* name) {
    return GetProc<T>(RuntimeLibrary(lib), name);
}

}  // namespace qm
