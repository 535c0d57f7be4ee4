#include "capture/links.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "base/com.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"

using Microsoft::WRL::ComPtr;

namespace qm {

struct TLinkResolver::Impl {
    TComApartment com;  // declared first, so the objects go before the apartment
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    bool Ready() {
        if (file) return true;
        if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
            return false;
        return SUCCEEDED(link.As(&file));
    }
};

TLinkResolver::TLinkResolver() : impl_(new Impl) {}
TLinkResolver::~TLinkResolver() { delete impl_; }

namespace {

// Characters no file name can hold.
bool HoldsNoFileCharacter(const std::wstring& path) { return path.find_first_of(L"?*\"><|") != std::wstring::npos; }

// The file-system path of the link's item list; empty when it names no file.
std::wstring ItemListPath(IShellLinkW* link) {
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(link->GetIDList(&items)) || !items) return {};
    wchar_t buf[MAX_PATH] = {};
    bool ok = ::SHGetPathFromIDListW(items, buf) != FALSE;
    ::CoTaskMemFree(items);
    return ok ? std::wstring(buf) : std::wstring();
}

}  // namespace

std::wstring TLinkResolver::Resolve(const std::wstring& path) {
    if (ToUpper(ExtensionOf(path)) != L".LNK") return path;
    std::wstring target;
    if (impl_->Ready() && SUCCEEDED(impl_->file->Load(path.c_str(), STGM_READ))) {
        wchar_t buf[MAX_PATH] = {};
        if (SUCCEEDED(impl_->link->GetPath(buf, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) target = buf;
        // The path a link keeps in the system's code page turns characters
        // outside it into "?" (Wine keeps only that copy); its item list keeps them.
        if (HoldsNoFileCharacter(target))
            if (std::wstring listed = ItemListPath(impl_->link.Get()); !listed.empty()) target = listed;
    }
    std::wstring lt = ToLower(Trim(target));
    if (lt.find(L"windows\\installer\\") != std::wstring::npos && lt.find(L'{') != std::wstring::npos &&
        lt.find(L'}') != std::wstring::npos) {
        target = ReadInstallerLink(path).target;
        lt = ToLower(Trim(target));
    }
    if (lt.empty() || HoldsNoFileCharacter(lt)) return path;
    return target;
}

std::wstring ResolveLink(const std::wstring& path) {
    thread_local TLinkResolver resolver;
    return resolver.Resolve(path);
}

namespace {

// msi.dll from the system folder, bound at run time.
template <class Fn>
Fn MsiFunction(const char* name) {
    static HMODULE msi = [] {
        wchar_t sys[MAX_PATH];
        UINT n = ::GetSystemDirectoryW(sys, MAX_PATH);
        return n && n < MAX_PATH ? ::LoadLibraryW((std::wstring(sys) + L"\\msi.dll").c_str()) : nullptr;
    }();
    return msi ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(msi, name))) : nullptr;
}

}  // namespace

namespace {

// The installer-aware reading of one shortcut; each step that fails ends it
// with what was read so far.
void ReadInstallerLinkInto(const std::wstring& path, HWND owner, TLinkParams& params) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return;
    link->Resolve(owner, SLR_UPDATE | SLR_NO_UI);
    wchar_t buf[MAX_PATH] = {};
    if (FAILED(link->GetPath(buf, MAX_PATH, nullptr, SLGP_SHORTPATH))) return;
    params.target = buf;
    {
        ComPtr<IShellLinkDataList> data;
        if (SUCCEEDED(link.As(&data))) {
            using GetTargetFn = UINT(WINAPI*)(LPCWSTR, LPWSTR, LPWSTR, LPWSTR);
            using LocateFn = INT(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
            auto getTarget = MsiFunction<GetTargetFn>("MsiGetShortcutTargetW");
            auto locate = MsiFunction<LocateFn>("MsiLocateComponentW");
            wchar_t component[39] = {};
            if (getTarget && locate && getTarget(path.c_str(), nullptr, nullptr, component) == ERROR_SUCCESS) {
                wchar_t located[MAX_PATH] = {};
                DWORD size = MAX_PATH;
                INT state = locate(component, located, &size);
                // INSTALLSTATE_LOCAL (3) and INSTALLSTATE_SOURCE (4) come with a path.
                if (state == 3 || state == 4) params.target = located;
            }
        }
    }
    wchar_t text[MAX_PATH] = {};
    if (FAILED(link->GetDescription(text, MAX_PATH))) return;
    params.description = text;
    text[0] = 0;
    if (FAILED(link->GetArguments(text, MAX_PATH))) return;
    params.arguments = text;
    text[0] = 0;
    if (FAILED(link->GetWorkingDirectory(text, MAX_PATH))) return;
    params.workingDirectory = text;
}

}  // namespace

TLinkParams ReadInstallerLink(const std::wstring& path, HWND owner) {
    TComApartment com;
    TLinkParams params;
    ReadInstallerLinkInto(path, owner, params);
    return params;
}

namespace {

std::wstring ClassesRootDefault(const std::wstring& key) {
    unique_hkey k;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return {};
    wchar_t buf[2048] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t), type = 0;
    if (::RegQueryValueExW(k.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    return buf;
}

}  // namespace

std::wstring RegistryCommandFor(const std::wstring& path) {
    std::wstring ext = ExtensionOf(path);
    if (ext.empty()) return {};
    std::wstring cls = ClassesRootDefault(ext);
    if (cls.empty()) return {};
    std::wstring command = ClassesRootDefault(cls + L"\\Shell\\Open\\Command");
    if (!command.empty()) return command;
    // The verb route: the class's default verb (or "open") and its command's program.
    std::wstring verb = ClassesRootDefault(cls + L"\\shell");
    if (verb.empty()) verb = L"open";
    command = ClassesRootDefault(cls + L"\\shell\\" + verb + L"\\command");
    if (command.empty()) return {};
    std::wstring program;
    if (command.front() == L'"') {
        size_t close = command.find(L'"', 1);
        program = close == std::wstring::npos ? command.substr(1) : command.substr(1, close - 1);
    } else {
        size_t space = command.find(L' ');
        program = space == std::wstring::npos ? command : command.substr(0, space);
    }
    if (EqualsNoCase(program, L"RUNDLL32")) program += L".EXE";
    if (!IsExistingFile(program) && program.find(L'\\') != std::wstring::npos) {
        size_t exe = FindNoCase(command, L".EXE");
        if (exe != std::wstring::npos && IsExistingFile(command.substr(0, exe + 4)))
            program = command.substr(0, exe + 4);
    }
    return program;
}

std::wstring AssociationLookup(const std::wstring& path) {
    std::wstring ext = ToLower(ExtensionOf(path));
    if (ext == L".exe" || ext == L".bat" || ext == L".msi") return ExpandFirstEnvironmentVariable(path);
    return NormaliseLocation(ExpandFirstEnvironmentVariable(RegistryCommandFor(path)));
}

std::wstring ProgramOfEntry(const std::wstring& path) {
    if (ToLower(ExtensionOf(path)) == L".lnk") return AssociationLookup(ResolveLink(path));
    std::wstring location = NormaliseLocation(path);
    if (location.empty()) return location;
    std::wstring program = AssociationLookup(location);
    return program.empty() ? location : program;
}

}  // namespace qm
