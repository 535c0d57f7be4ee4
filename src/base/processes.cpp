#include "base/processes.h"

#include <tlhelp32.h>

#include <algorithm>

#include "base/files.h"
#include "base/strings.h"

namespace qm {

namespace {

constexpr DWORD kProcessRights = SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION;

// A path in its full long form without a trailing "\", for comparing two paths.
std::wstring ComparablePath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4] = {};
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    std::wstring out = n && n < MAX_PATH * 4 ? std::wstring(full, n) : path;
    wchar_t longer[MAX_PATH * 4] = {};
    n = ::GetLongPathNameW(out.c_str(), longer, MAX_PATH * 4);
    if (n && n < MAX_PATH * 4) out.assign(longer, n);
    while (out.size() > 3 && (out.back() == L'\\' || out.back() == L'/')) out.pop_back();
    return out;
}

bool StillRunning(const TRunningProcess& p) { return ::WaitForSingleObject(p.handle.get(), 0) == WAIT_TIMEOUT; }

struct TWindowSearch {
    DWORD id;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TWindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->id && ::IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::wstring ProcessImagePath(HANDLE process) {
    // Bound at run time: kernel32 has it from Vista on.
    using Fn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const auto query = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
    if (!query || !process) return {};
    std::wstring buffer(32768, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    if (!query(process, 0, buffer.data(), &size)) return {};
    buffer.resize(size);
    return buffer;
}

std::vector<TRunningProcess> ProcessesNamed(const std::vector<std::wstring>& names) {
    std::vector<TRunningProcess> out;
    unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return out;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL ok = ::Process32FirstW(snapshot.get(), &entry); ok; ok = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self || entry.th32ProcessID == 0) continue;
        std::wstring name = FileNameOf(entry.szExeFile);
        if (std::none_of(names.begin(), names.end(), [&](const std::wstring& n) { return EqualsNoCase(n, name); }))
            continue;
        TRunningProcess p;
        p.id = entry.th32ProcessID;
        p.handle.reset(::OpenProcess(kProcessRights, FALSE, entry.th32ProcessID));
        if (!p.handle) continue;  // a process that cannot be opened cannot be ended either
        p.image = ProcessImagePath(p.handle.get());
        out.push_back(std::move(p));
    }
    return out;
}

bool ImageInFolder(const std::wstring& image, const std::wstring& folder) {
    if (Trim(image).empty() || Trim(folder).empty()) return false;
    std::wstring imageFolder = FolderOf(ComparablePath(image));
    return !imageFolder.empty() && EqualsNoCase(ComparablePath(imageFolder), ComparablePath(folder));
}

std::vector<TRunningProcess> ProcessesInFolder(const std::wstring& folder, const std::vector<std::wstring>& names) {
    std::vector<TRunningProcess> all = ProcessesNamed(names);
    std::vector<TRunningProcess> out;
    for (TRunningProcess& p : all)
        if (ImageInFolder(p.image, folder)) out.push_back(std::move(p));
    return out;
}

std::vector<HWND> ProcessWindows(DWORD processId) {
    TWindowSearch search{processId, {}};
    ::EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<TRunningProcess> ProcessesShowing(const std::vector<std::wstring>& names, const std::wstring& titleStart) {
    std::vector<TRunningProcess> out;
    for (TRunningProcess& p : ProcessesNamed(names)) {
        for (HWND window : ProcessWindows(p.id)) {
            wchar_t title[512] = {};
            ::InternalGetWindowText(window, title, 512);
            if (StartsWithNoCase(title, titleStart)) {
                out.push_back(std::move(p));
                break;
            }
        }
    }
    return out;
}

std::vector<TRunningProcess> CloseThenEnd(std::vector<TRunningProcess> processes, DWORD waitMs,
                                          const std::function<void()>& pump) {
    for (const TRunningProcess& p : processes)
        for (HWND window : ProcessWindows(p.id)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    auto anyRunning = [&] { return std::any_of(processes.begin(), processes.end(), StillRunning); };
    for (ULONGLONG until = ::GetTickCount64() + waitMs; anyRunning() && ::GetTickCount64() < until;) {
        if (pump) pump();
        ::Sleep(20);
    }
    std::vector<TRunningProcess> left;
    for (TRunningProcess& p : processes) {
        if (!StillRunning(p)) continue;
        ::TerminateProcess(p.handle.get(), 0);
        if (::WaitForSingleObject(p.handle.get(), 2000) == WAIT_TIMEOUT) left.push_back(std::move(p));
    }
    return left;
}

}  // namespace qm
