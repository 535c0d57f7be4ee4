#include "capture/pathutil.h"

#include <shellapi.h>

#include <optional>
#include <unordered_map>

#include "base/effects.h"
#include "base/files.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/unique_any.h"
#include "capture/runtimelibs.h"

namespace qm {

bool IsValidDrivePath(const std::wstring& path) {
    if (path.size() < 2 || path[1] != L':') return false;
    wchar_t letter = path[0];
    if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
    if (letter == L'A' || letter < L'B' || letter > L'Z') return false;
    // A scan asks about the same few drives thousands of times: their types are
    // kept for a second.
    struct Cached {
        ULONGLONG at = 0;
        UINT type = DRIVE_UNKNOWN;
    };
    thread_local Cached cache[26];
    Cached& c = cache[letter - L'A'];
    ULONGLONG now = ::GetTickCount64();
    if (c.at == 0 || now - c.at > 1000) {
        wchar_t root[] = {letter, L':', L'\\', 0};
        c.type = ::GetDriveTypeW(root);
        c.at = now;
    }
    return c.type > DRIVE_NO_ROOT_DIR;
}

TRedirectionGuard::TRedirectionGuard() {
    if (!IsWow64()) return;
    using Fn = BOOL(WINAPI*)(PVOID*);
    static auto disable = GetProc<Fn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    active_ = disable && disable(&token_);
}

TRedirectionGuard::~TRedirectionGuard() {
    if (!active_) return;
    using Fn = BOOL(WINAPI*)(PVOID);
    static auto revert = GetProc<Fn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    if (revert) revert(token_);
}

namespace {

struct TExistenceAnswers {
    int depth = 0;
    std::unordered_map<std::wstring, DWORD> attributes;
};
thread_local TExistenceAnswers existence;

// The attributes answer as a search for the one name would, without the
// directory listing a search costs in large folders.
DWORD AttributesOf(const std::wstring& path) {
    if (existence.depth == 0) {
        TRedirectionGuard guard;
        return ::GetFileAttributesW(LongPathForm(path).c_str());
    }
    auto it = existence.attributes.find(path);
    if (it != existence.attributes.end()) return it->second;
    TRedirectionGuard guard;
    return existence.attributes.emplace(path, ::GetFileAttributesW(LongPathForm(path).c_str())).first->second;
}

}  // namespace

TExistenceCache::TExistenceCache() { ++existence.depth; }
TExistenceCache::~TExistenceCache() {
    if (--existence.depth == 0) existence.attributes.clear();
}
void TExistenceCache::Forget(const std::wstring& path) { existence.attributes.erase(path); }

bool FolderExists(const std::wstring& path) {
    if (path.empty() || !IsValidDrivePath(path)) return false;
    DWORD a = AttributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
    if (path.empty() || !IsValidDrivePath(path)) return false;
    if (path.find_first_of(L"*?") != std::wstring::npos) return false;  // a pattern, not a file
    DWORD a = AttributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring DisplayName(const std::wstring& path) {
    std::wstring name = Trim(FileNameOf(path));
    if (!name.empty()) return NameWithoutExtension(name);
    std::wstring p = path;
    if (StartsWithNoCase(p, L"file:///")) {
        p = ReplaceAll(ReplaceAll(p.substr(8), L"%20", L" "), L"/", L"\\");
    }
    p = ReplaceAll(Trim(p), L"%20", L" ");
    if (FolderExists(p)) {
        std::wstring folder = NormaliseFolderPath(p);
        folder.pop_back();
        size_t cut = folder.rfind(L'\\');
        return cut == std::wstring::npos ? folder : folder.substr(cut + 1);
    }
    return p;
}

namespace {

// "X:" for a drive path, "\\server\share" for a network path, else empty.
std::wstring DrivePart(const std::wstring& s) {
    if (s.size() >= 2 && s[1] == L':') return s.substr(0, 2);
    if (StartsWith(s, L"\\\\")) {
        size_t server = s.find(L'\\', 2);
        if (server == std::wstring::npos) return s;
        size_t share = s.find(L'\\', server + 1);
        return share == std::wstring::npos ? s : s.substr(0, share);
    }
    return {};
}

std::wstring FoldSlashes(const std::wstring& s) {
    return ReplaceAll(ReplaceAll(ReplaceAll(s, L"///", L"\\"), L"//", L"\\"), L"/", L"\\");
}

std::wstring UpToBackslash(const std::wstring& s) {
    size_t cut = s.find(L'\\');
    return cut == std::wstring::npos ? s : s.substr(0, cut);
}

}  // namespace

std::wstring GroupKeyOf(const std::wstring& text, const std::wstring& myDocuments) {
    std::wstring t = Trim(text);
    std::wstring lt = ToLower(t);
    std::wstring dl = ToLower(Trim(myDocuments));
    if (ContainsNoCase(t, L"file:///")) {
        if (!dl.empty() && StartsWith(lt, L"file:///" + dl)) return myDocuments;
        std::wstring drive = t.size() > 8 ? DrivePart(t.substr(8)) : std::wstring();
        std::wstring tail = t.size() > 11 ? FoldSlashes(t.substr(11)) : std::wstring();
        return drive + L"\\" + UpToBackslash(tail);
    }
    if (StartsWith(t, L"\\\\")) return t;
    if (!dl.empty() && StartsWith(lt, dl)) return myDocuments;
    if (size_t p = t.find(L"://"); p != std::wstring::npos) {
        std::wstring rest = t.substr(p + 3);
        size_t slash = rest.find(L'/');
        return slash == std::wstring::npos ? rest : rest.substr(0, slash);
    }
    if (t.find_first_of(L"\\/") == std::wstring::npos) return t;
    std::wstring drive = DrivePart(t);
    if (drive.empty()) return t;
    std::wstring tail = t.size() > 3 ? FoldSlashes(t.substr(3)) : std::wstring();
    return drive + L"\\" + UpToBackslash(tail);
}

bool IsPhotoViewer(const std::wstring& text) {
    std::wstring t = ToLower(text);
    if (t.find(L"rundll32.exe") != std::wstring::npos &&
        (t.find(L"photoviewer.dll") != std::wstring::npos || t.find(L"shimgvw.dll") != std::wstring::npos))
        return true;
    for (const wchar_t* start :
         {L"windows photo viewer", L"photo viewer", L"windows picture and fax viewer", L"picture and fax viewer"})
        if (StartsWith(t, start)) return true;
    return false;
}

bool HasInvalidNameChars(const std::wstring& text) { return text.find_first_of(L"?*\"><|") != std::wstring::npos; }

void Explore(const std::wstring& path, HWND owner) {
    Effects().shellExecute(owner, L"explore", path, L"", SW_SHOWNORMAL);
}

void OpenLocation(const std::wstring& path, HWND owner) {
    std::wstring s = ToLower(ReplaceAll(path, L"/", L"\\"));
    if (FolderExists(s)) {
        Explore(s, owner);
        return;
    }
    bool web = s.find(L"http:") != std::wstring::npos || s.find(L"https:") != std::wstring::npos;
    if (!web && s.find(L':') != std::wstring::npos && !FileExists(s)) return;  // a vanished local file
    if (ToLower(path).find(L':') == std::wstring::npos) {
        Effects().shellExecute(owner, L"open", L"http://" + path, L"", SW_SHOWNORMAL);  // a bare host name
        return;
    }
    std::wstring target = FolderExists(path) ? NormaliseFolderPath(path) : path;
    Effects().shellExecute(owner, L"open", target, L"", SW_SHOWNORMAL);
}

void OpenPath(const std::wstring& path, HWND owner) {
    if (FolderExists(path)) {
        Explore(ReplaceAll(NormaliseFolderPath(path), L"/", L"\\"), owner);
        return;
    }
    Effects().shellExecute(owner, L"Open", path, L"", SW_SHOW);
}

bool Launch(const std::wstring& file, const std::wstring& parameters, bool reportErrors, HWND owner) {
    HINSTANCE result;
    DWORD error;
    {
        // Programs under "Program Files (x86)" keep the 32-bit view.
        bool guard = !ContainsNoCase(file, L"Program Files (x86)");
        std::optional<TRedirectionGuard> redirection;
        if (guard) redirection.emplace();
        result = Effects().shellExecute(owner, L"open", file, parameters, SW_SHOWNORMAL);
        error = ::GetLastError();
    }
    if (reinterpret_cast<INT_PTR>(result) > 32) return true;
    if (error == ERROR_NO_ASSOCIATION || reinterpret_cast<INT_PTR>(result) == SE_ERR_NOASSOC) {
        if (ToLower(Trim(ExtensionOf(file))) != L".exe")
            Effects().shellExecute(owner, L"open", L"rundll32.exe", L"shell32.dll,OpenAs_RunDLL " + file,
                                   SW_SHOWNORMAL);
    } else if (reportErrors) {
        Effects().messageBox(owner, SystemErrorText(error), L"QuilMar", MB_OK | MB_ICONERROR);
    }
    return false;
}

}  // namespace qm
