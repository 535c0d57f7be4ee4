#include "base/files.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "base/unique_any.h"

namespace qm {

std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    unique_hfile f(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(f.get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
    std::string data(static_cast<size_t>(size.QuadPart), '\0');
    DWORD done = 0;
    size_t at = 0;
    while (at < data.size()) {
        DWORD want = static_cast<DWORD>(data.size() - at);
        if (!::ReadFile(f.get(), data.data() + at, want, &done, nullptr)) return std::nullopt;
        if (done == 0) break;
        at += done;
    }
    data.resize(at);
    return data;
}

TTemporaryFile::TTemporaryFile(const wchar_t* prefix) {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH) return;
    wchar_t name[MAX_PATH] = {};
    if (::GetTempFileNameW(folder, prefix, 0, name)) path_ = name;
}

TTemporaryFile::~TTemporaryFile() {
    if (!path_.empty()) ::DeleteFileW(path_.c_str());
}

TReplacingFile::TReplacingFile(std::wstring path) : path_(std::move(path)), temp_(path_ + L".tmp~") {
    // A replaced file keeps its hidden and system attributes.
    DWORD attributes = ::GetFileAttributesW(LongPathForm(path_).c_str());
    DWORD keep = attributes == INVALID_FILE_ATTRIBUTES
                     ? 0
                     : (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    file_ = ::CreateFileW(LongPathForm(temp_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          keep ? keep : FILE_ATTRIBUTE_NORMAL, nullptr);
}

TReplacingFile::~TReplacingFile() {
    DWORD err = ::GetLastError();
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
    if (!moved_) ::DeleteFileW(LongPathForm(temp_).c_str());
    ::SetLastError(err);
}

bool TReplacingFile::IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }

bool TReplacingFile::Write(std::string_view bytes) {
    if (!IsOpen() || failed_) return false;
    size_t at = 0;
    while (at < bytes.size()) {
        DWORD done = 0;
        DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1u << 20));
        if (!::WriteFile(file_, bytes.data() + at, want, &done, nullptr) || done == 0) {
            failed_ = true;
            return false;
        }
        at += done;
    }
    return true;
}

bool TReplacingFile::Commit(TDurability durability) { return Finish(durability) && MoveIntoPlace(); }

bool TReplacingFile::Finish(TDurability durability) {
    if (!IsOpen() || failed_) return false;
    if (durability == TDurability::Flush && !::FlushFileBuffers(file_)) return false;
    ::CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    finished_ = true;
    durability_ = durability;
    return true;
}

bool TReplacingFile::MoveIntoPlace() {
    if (!finished_ || moved_) return false;
    DWORD moveFlags = MOVEFILE_REPLACE_EXISTING;
    if (durability_ == TDurability::Flush) moveFlags |= MOVEFILE_WRITE_THROUGH;
    if (!::MoveFileExW(LongPathForm(temp_).c_str(), LongPathForm(path_).c_str(), moveFlags)) return false;
    moved_ = true;
    return true;
}

bool WriteFileReplacing(const std::wstring& path, std::string_view bytes, TDurability durability) {
    TReplacingFile file(path);
    return file.Write(bytes) && file.Commit(durability);
}

bool PathExists(const std::wstring& path) {
    return !path.empty() && ::GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsExistingFile(const std::wstring& path) {
    if (path.empty()) return false;
    DWORD a = ::GetFileAttributesW(LongPathForm(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFolder(const std::wstring& path) {
    if (path.empty()) return false;
    DWORD a = ::GetFileAttributesW(LongPathForm(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderTree(const std::wstring& folder, std::vector<std::wstring>* created) {
    std::wstring f = folder;
    while (f.size() > 3 && (f.back() == L'\\' || f.back() == L'/')) f.pop_back();
    if (f.empty()) return false;
    if (IsExistingFolder(f)) return true;
    // Walk up to the first folder that exists, then create downwards.
    std::vector<std::wstring> missing;
    std::wstring at = f;
    while (!at.empty() && !IsExistingFolder(at)) {
        missing.push_back(at);
        size_t cut = at.find_last_of(L"\\/");
        if (cut == std::wstring::npos || cut < 2) break;
        // Do not climb into "\\server" or "C:" alone.
        std::wstring up = at.substr(0, cut);
        if (up.size() == 2 && up[1] == L':') break;
        if (up.rfind(L"\\\\", 0) == 0 && up.find(L'\\', 2) == std::wstring::npos) break;
        at = up;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::CreateDirectoryW(LongPathForm(*it).c_str(), nullptr)) {
            if (created) created->push_back(*it);
        } else if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return IsExistingFolder(f);
}

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
    return n && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring SpecialFolder(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
    std::wstring s(buf);
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

std::wstring ModulePath(void* module) {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(static_cast<HMODULE>(module), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

std::wstring ModuleFolder(void* module) { return FolderOf(ModulePath(module)); }

std::wstring FileNameOf(std::wstring_view path) {
    size_t cut = path.find_last_of(L"\\/:");
    return std::wstring(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
}

std::wstring FolderOf(std::wstring_view path) {
    size_t cut = path.find_last_of(L"\\/:");
    return cut == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, cut + 1));
}

std::wstring ChangeExtension(std::wstring_view path, std::wstring_view ext) {
    size_t sep = path.find_last_of(L"\\/:");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos || (sep != std::wstring_view::npos && dot < sep))
        return std::wstring(path) + std::wstring(ext);
    return std::wstring(path.substr(0, dot)) + std::wstring(ext);
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
    std::wstring out(folder);
    if (!out.empty() && out.back() != L'\\' && out.back() != L'/') out += L'\\';
    while (!name.empty() && (name.front() == L'\\' || name.front() == L'/')) name.remove_prefix(1);
    out += name;
    return out;
}

}  // namespace qm
