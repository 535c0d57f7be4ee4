#include "setup/allusers.h"

#include <windows.h>
#include <lm.h>
#include <sddl.h>
#include <shlobj.h>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "setup/shortcuts.h"

namespace qm {

namespace {

constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::vector<std::wstring> LocalAccounts() {
    std::vector<std::wstring> names;
    std::wstring computer;
    LPBYTE info = nullptr;
    if (::NetWkstaGetInfo(nullptr, 100, &info) == NERR_Success && info) {
        const auto* w = reinterpret_cast<const WKSTA_INFO_100*>(info);
        if (w->wki100_computername) computer = w->wki100_computername;
    }
    if (info) ::NetApiBufferFree(info);
    DWORD resume = 0;
    for (int round = 0; round < 1000; ++round) {
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0;
        NET_API_STATUS status =
            ::NetUserEnum(computer.empty() ? nullptr : computer.c_str(), 0, 0, &buffer, 256, &read, &total, &resume);
        if (status == NERR_Success || status == ERROR_MORE_DATA) {
            const auto* users = reinterpret_cast<const USER_INFO_0*>(buffer);
            for (DWORD i = 0; users && i < read; ++i)
                if (users[i].usri0_name) names.emplace_back(users[i].usri0_name);
        }
        if (buffer) ::NetApiBufferFree(buffer);
        if (status != ERROR_MORE_DATA) break;
    }
    return names;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
    wchar_t buffer[MAX_PATH * 4] = {};
    DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), buffer, MAX_PATH * 4);
    return n && n <= MAX_PATH * 4 ? std::wstring(buffer) : text;
}

// The profile folder Windows keeps for the account's security identifier.
std::optional<std::wstring> RegisteredProfile(const std::wstring& account) {
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof(sid);
    wchar_t domain[256] = {};
    DWORD domainSize = 256;
    SID_NAME_USE use{};
    if (!::LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, domain, &domainSize, &use)) return std::nullopt;
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text) || !text) return std::nullopt;
    unique_hlocal owner(text);
    std::optional<std::wstring> image =
        ReadString(HKEY_LOCAL_MACHINE, JoinPath(kProfileList, text), Wide64View(), L"ProfileImagePath");
    if (!image || Trim(*image).empty()) return std::nullopt;
    return ExpandEnvironment(Trim(*image));
}

std::wstring Variable(const std::wstring& name) {
    wchar_t buffer[1024] = {};
    DWORD n = ::GetEnvironmentVariableW(name.c_str(), buffer, 1024);
    return n && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

std::optional<std::wstring> PerUserFolder(const std::wstring& currentFolder, const std::wstring& currentProfile,
                                          const std::optional<std::wstring>& accountProfile) {
    if (!accountProfile || Trim(*accountProfile).empty()) return std::nullopt;
    std::wstring folder = WithoutTrailingSeparators(Trim(currentFolder));
    std::wstring profile = WithoutTrailingSeparators(Trim(currentProfile));
    if (profile.empty() || !StartsWithNoCase(folder, profile)) return std::nullopt;
    std::wstring rest = folder.substr(profile.size());
    if (!rest.empty() && rest.front() != L'\\') return std::nullopt;  // "C:\users\a" is no part of "C:\users\ab"
    return WithoutTrailingSeparators(Trim(*accountProfile)) + rest;
}

TAllUserControl::TSeams TAllUserControl::TSeams::Real() {
    TSeams s;
    s.accounts = &LocalAccounts;
    s.currentProfile = [] { return SpecialFolder(CSIDL_PROFILE); };
    s.profileOf = [](const std::wstring& account) -> std::optional<std::wstring> {
        std::optional<std::wstring> profile = RegisteredProfile(account);
        if (!profile && EqualsNoCase(account, Variable(L"USERNAME"))) profile = SpecialFolder(CSIDL_PROFILE);
        if (!profile || !IsExistingFolder(*profile)) return std::nullopt;
        return profile;
    };
    return s;
}

TAllUserControl::TAllUserControl(TSeams seams) : seams_(std::move(seams)) {
    if (seams_.accounts) accounts_ = seams_.accounts();
    currentUser_ = ExpandFirstEnvironmentVariable(L"%username%");
}

std::vector<std::wstring> TAllUserControl::FoldersForAllUsers(const std::wstring& currentFolder) const {
    std::vector<std::wstring> folders;
    std::wstring own = WithoutTrailingSeparators(Trim(currentFolder));
    if (own.empty()) return folders;
    folders.push_back(own);
    std::wstring profile = seams_.currentProfile ? seams_.currentProfile() : std::wstring();
    for (const std::wstring& account : accounts_) {
        std::optional<std::wstring> folder =
            PerUserFolder(own, profile, seams_.profileOf ? seams_.profileOf(Trim(account)) : std::nullopt);
        if (!folder) continue;
        bool known = false;
        for (const std::wstring& f : folders) known = known || EqualsNoCase(f, *folder);
        if (!known) folders.push_back(*folder);
    }
    return folders;
}

std::vector<std::wstring> AddShortcutForAllUsers(const TAllUserControl& users, const std::wstring& currentFolder,
                                                 const std::wstring& linkName, const std::wstring& target,
                                                 TInstallRecord* record) {
    std::vector<std::wstring> failed;
    if (Trim(currentFolder).empty()) return failed;
    for (const std::wstring& folder : users.FoldersForAllUsers(currentFolder)) {
        if (!IsExistingFolder(folder)) continue;  // nobody made that folder: no shortcut, and no fault
        if (!CreateFolderShortcut(target, folder, linkName, record)) failed.push_back(folder);
    }
    return failed;
}

std::wstring CurrentSendToFolder() { return SpecialFolder(CSIDL_SENDTO); }

std::wstring CurrentQuickLaunchFolder() {
    std::wstring appData = SpecialFolder(CSIDL_APPDATA);
    return appData.empty() ? appData : JoinPath(appData, L"Microsoft\\Internet Explorer\\Quick Launch");
}

std::vector<std::wstring> AddSendToForAllUsers(const TAllUserControl& users, const std::wstring& linkName,
                                               const std::wstring& target, TInstallRecord* record) {
    return AddShortcutForAllUsers(users, CurrentSendToFolder(), linkName, target, record);
}

std::vector<std::wstring> AddQuickLaunchForAllUsers(const TAllUserControl& users, const std::wstring& linkName,
                                                    const std::wstring& target, TInstallRecord* record) {
    return AddShortcutForAllUsers(users, CurrentQuickLaunchFolder(), linkName, target, record);
}

}  // namespace qm
