// What the 7-Zip tests work with: this build's library (loaded from a private
// copy, as the setup program does), the archives made by make-archives.sh, the
// SHA-256 manifest of their source tree and a walk over an extracted tree.
#pragma once
#include <windows.h>
#include <bcrypt.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/strings.h"
#include "setup/privatecopy.h"
#include "setup/sevenzip.h"

namespace qm::test {

// A path the build gave relative to the test program's folder.
inline std::wstring BuildPath(const char* relative) {
    std::wstring path = ModuleFolder() + ReplaceAll(Utf8ToWide(relative), L"/", L"\\");
    wchar_t full[MAX_PATH * 2] = {};
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    return n ? std::wstring(full, n) : path;
}

#ifdef QM_TEST_ARCHIVES
inline std::wstring ArchivePath(const std::wstring& name) { return JoinPath(BuildPath(QM_TEST_ARCHIVES), name); }
#endif

// This build's 7z.dll written into a private folder of its own.
inline std::unique_ptr<TPrivateCopy> PrivateLibrary(const char* relative = QM_TEST_LIBRARY) {
    std::optional<std::string> bytes = ReadFileBytes(BuildPath(relative));
    return bytes ? TPrivateCopy::Write(L"7z.dll", *bytes) : nullptr;
}

inline std::string Sha256(const std::string& bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char digest[32] = {};
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0) {
        if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
            BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                           static_cast<ULONG>(bytes.size()), 0);
            BCryptFinishHash(hash, digest, sizeof(digest), 0);
            BCryptDestroyHash(hash);
        }
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest) {
        text += hex[b >> 4];
        text += hex[b & 15];
    }
    return text;
}

// sha256sum lines: "<hash>  <path with />", paths in UTF-8.
inline std::map<std::wstring, std::string> ReadManifest(const std::wstring& path) {
    std::map<std::wstring, std::string> files;
    std::optional<std::string> text = ReadFileBytes(path);
    if (!text) return files;
    size_t at = 0;
    while (at < text->size()) {
        size_t end = text->find('\n', at);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(at, end - at);
        if (line.size() > 66) files[ReplaceAll(Utf8ToWide(line.substr(66)), L"/", L"\\")] = line.substr(0, 64);
        at = end + 1;
    }
    return files;
}

struct TTreeListing {
    std::map<std::wstring, std::string> files;  // relative path -> SHA-256
    std::vector<std::wstring> folders;          // relative paths
};

inline void ListTree(const std::wstring& root, const std::wstring& relative, TTreeListing& listing) {
    WIN32_FIND_DATAW data;
    std::wstring folder = relative.empty() ? root : JoinPath(root, relative);
    HANDLE find = ::FindFirstFileW(LongPathForm(JoinPath(folder, L"*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            listing.folders.push_back(path);
            ListTree(root, path, listing);
        } else {
            listing.files[path] = Sha256(ReadFileBytes(JoinPath(root, path)).value_or(std::string()));
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

inline TTreeListing ListTree(const std::wstring& root) {
    TTreeListing listing;
    ListTree(root, L"", listing);
    return listing;
}

// Opens an archive through a reader over the private copy.
struct TOpenArchive {
    std::unique_ptr<TPrivateCopy> library = PrivateLibrary();
    Microsoft::WRL::ComPtr<IArchiveReader> reader;

    explicit TOpenArchive(const std::wstring& archive) {
        reader = CreateArchiveReader(library->Path());
        reader->OpenArchiveFile(archive);
    }
    ~TOpenArchive() { reader.Reset(); }
};

}  // namespace qm::test
