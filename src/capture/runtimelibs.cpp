#include "capture/runtimelibs.h"

#include <map>
#include <mutex>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"

namespace qm {

namespace {

// The loaded libraries by lower-cased name; freed when the program ends.
struct TLibraryCache {
    std::mutex lock;
    std::map<std::wstring, unique_hmodule> libraries;
};

TLibraryCache& Cache() {
    static TLibraryCache cache;
    return cache;
}

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
    return n && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

// Always the full path in the system folder: a bare name would be searched for
// in the program's and the current folder first, where anyone could put a DLL
// of that name.
HMODULE LoadFromSystemFolder(const std::wstring& name) {
    std::wstring folder = SystemFolder();
    if (folder.empty()) return nullptr;
    UINT previous = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE module = ::LoadLibraryW(JoinPath(folder, name).c_str());
    ::SetErrorMode(previous);
    return module;
}

}  // namespace

HMODULE RuntimeLibrary(const std::wstring& name) {
    std::wstring key = ToLower(Trim(name));
    if (key.empty() || key.find_first_of(L"\\/:") != std::wstring::npos || key == L"." || key == L"..") return nullptr;
    TLibraryCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.lock);
    unique_hmodule& entry = cache.libraries[key];
    if (!entry) entry.reset(LoadFromSystemFolder(key));
    return entry.get();
}

}  // namespace qm
