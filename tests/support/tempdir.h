// A private, empty folder for one test, removed with everything in it afterwards.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/files.h"

namespace qm::test {

// Removes a folder with everything in it (no recycle bin).
inline void RemoveTree(const std::wstring& folder) {
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ::SHFileOperationW(&op);
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
