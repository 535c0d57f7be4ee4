// A private, empty folder for one test, removed with everything in it afterwards.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/files.h"

namespace qm::test {

// Removes a folder with everything in it (no recycle bin), long paths too. Not
// through the shell's delete operation: given a tree deeper than MAX_PATH, Wine's
// deletes the contents of the current folder instead (the build tree's, in a test).
inline void RemoveTree(const std::wstring& folder) {
    if (folder.empty()) return;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(LongPathForm(JoinPath(folder, L"*")).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = LongPathForm(JoinPath(folder, name));
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                ::RemoveDirectoryW(path.c_str());  // a link: never into its target
            } else {
                RemoveTree(JoinPath(folder, name));
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(LongPathForm(folder).c_str());
}

class TempDir {
public:
    // A folder under the temporary folder, or under parent when one is given.
    explicit TempDir(const std::wstring& parent = {}) {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        if (!parent.empty()) lstrcpynW(base, JoinPath(parent, L"").c_str(), MAX_PATH);
        static LONG counter = 0;
        path_ = std::wstring(base) + L"qmtest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::InterlockedIncrement(&counter)) + L"-" + std::to_wstring(::GetTickCount());
        CreateFolderTree(path_);
    }
    ~TempDir() { RemoveTree(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return JoinPath(path_, name); }

private:
    std::wstring path_;
};

// Writes raw bytes (no byte-order mark is added).
inline bool WriteBytes(const std::wstring& path, const std::string& bytes) { return WriteFileReplacing(path, bytes); }

}  // namespace qm::test
