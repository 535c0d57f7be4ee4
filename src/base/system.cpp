#include "base/system.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "base/strings.h"
#include "base/unique_any.h"

namespace qm {

namespace {

// The token of the calling thread when it impersonates, else the process token.
HANDLE OpenQueryToken() {
    HANDLE token = nullptr;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return token;
    if (::GetLastError() != ERROR_NO_TOKEN) return nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return token;
    return nullptr;
}

bool TokenHoldsAdministrators() {
    unique_handle token(OpenQueryToken());
    if (!token) return false;
    // The group list is read at its real size: a fixed buffer would report an
    // administrator with many groups as none.
    std::vector<BYTE> buffer(1024);
    DWORD needed = 0;
    BOOL read =
        ::GetTokenInformation(token.get(), TokenGroups, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
    if (!read && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
        buffer.resize(needed);
        read =
            ::GetTokenInformation(token.get(), TokenGroups, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
    }
    if (!read) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &admins))
        return false;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    bool found = false;
    for (DWORD i = 0; i < groups->GroupCount && !found; ++i) found = ::EqualSid(groups->Groups[i].Sid, admins) != FALSE;
    ::FreeSid(admins);
    return found;
}

}  // namespace

std::vector<std::wstring> CommandLineArguments(const wchar_t* commandLine) {
    std::vector<std::wstring> out;
    if (!commandLine) return out;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(commandLine, &argc);
    if (!argv) return out;
    unique_hlocal owner(reinterpret_cast<HLOCAL>(argv));
    for (int i = 1; i < argc; ++i) out.emplace_back(argv[i]);
    return out;
}

std::wstring QuoteArgument(std::wstring_view text) {
    if (!text.empty() && text.find_first_of(L" \t") == std::wstring_view::npos) return std::wstring(text);
    return L"\"" + std::wstring(text) + L"\"";
}

std::wstring CommandLineOf(const std::vector<std::wstring>& args) {
    std::wstring line;
    for (const std::wstring& a : args) line += (line.empty() ? L"" : L" ") + QuoteArgument(a);
    return line;
}

std::wstring JoinArguments(const std::vector<std::wstring>& args) {
    std::wstring joined;
    for (const std::wstring& a : args) joined += L" " + a;
    return Trim(joined);
}

bool IsAdmin() {
    static const bool admin = TokenHoldsAdministrators();
    return admin;
}

bool IsWow64() {
    static const bool wow64 = [] {
        using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
        auto fn = reinterpret_cast<Fn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
        BOOL result = FALSE;
        return fn && fn(::GetCurrentProcess(), &result) && result;
    }();
    return wow64;
}

bool Is64BitWindows() { return sizeof(void*) == 8 || IsWow64(); }

bool IsElevatedAdmin() {
    static const bool elevated = [] {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID admins = nullptr;
        if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                        &admins))
            return false;
        BOOL member = FALSE;
        // No token: the calling thread's (or the process's) effective one.
        bool ok = ::CheckTokenMembership(nullptr, admins, &member) != FALSE;
        ::FreeSid(admins);
        return ok && member != FALSE;
    }();
    return elevated;
}

std::wstring SystemErrorText(unsigned long code) {
    wchar_t* text = nullptr;
    DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    unique_hlocal owner(text);
    return n && text ? Trim(std::wstring_view(text, n)) : std::wstring();
}

}  // namespace qm
