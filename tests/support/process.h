// Starting the real programs from a test and waiting for their windows and ends.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/files.h"
#include "base/unique_any.h"
#include "support/tempdir.h"

namespace qm::test {

class Process {
public:
    // Starts a program beside the test program (or at a full path) with the given argument text.
    static Process Start(const std::wstring& exe, const std::wstring& args) {
        Process p;
        std::wstring path = exe.size() > 2 && exe[1] == L':' ? exe : JoinPath(ModuleFolder(), exe);
        std::wstring cmd = L"\"" + path + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (::CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            p.process_.reset(pi.hProcess);
            p.thread_.reset(pi.hThread);
            p.id_ = pi.dwProcessId;
        }
        return p;
    }
    bool Started() const { return static_cast<bool>(process_); }
    DWORD Id() const { return id_; }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitExit(DWORD ms) {
        if (!process_) return static_cast<DWORD>(-1);
        ::WaitForSingleObject(process_.get(), ms);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    void Kill() {
        if (process_ && WaitExit(0) == STILL_ACTIVE) {
            ::TerminateProcess(process_.get(), 99);
            ::WaitForSingleObject(process_.get(), 5000);
        }
    }
    ~Process() { Kill(); }
    Process() = default;
    Process(Process&&) = default;
    Process& operator=(Process&&) = default;

private:
    unique_handle process_;
    unique_handle thread_;
    DWORD id_ = 0;
};

// The first top-level window of the class that belongs to the process (any when 0).
inline HWND FindProcessWindow(const wchar_t* cls, DWORD pid) {
    struct Search {
        const wchar_t* cls;
        DWORD pid;
        HWND found;
    } s{cls, pid, nullptr};
    ::EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t name[256] = {};
            ::GetClassNameW(h, name, 256);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(h, &owner);
            if (lstrcmpW(name, s->cls) == 0 && (s->pid == 0 || owner == s->pid)) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

inline HWND WaitForWindow(const wchar_t* cls, DWORD pid, DWORD ms) {
    for (DWORD waited = 0;; waited += 50) {
        if (HWND h = FindProcessWindow(cls, pid)) return h;
        if (waited >= ms) return nullptr;
        ::Sleep(50);
    }
}

// The window once it is shown: a program makes a window's controls before it
// shows it, so a test may then drive them (found earlier, they may not exist yet).
inline HWND WaitForShownWindow(const wchar_t* cls, DWORD pid, DWORD ms) {
    for (DWORD waited = 0;; waited += 50) {
        HWND h = FindProcessWindow(cls, pid);
        if (h && ::IsWindowVisible(h)) return h;
        if (waited >= ms) return nullptr;
        ::Sleep(50);
    }
}

// Polls until the condition holds or the time is up.
template <class Pred>
bool WaitUntil(Pred pred, DWORD ms) {
    for (DWORD waited = 0;; waited += 50) {
        if (pred()) return true;
        if (waited >= ms) return false;
        ::Sleep(50);
    }
}

// Waits until the main window lists this many records (its record list box
// exists once the window has made its controls).
inline bool WaitForRecordList(HWND mainWindow, LRESULT count, DWORD ms = 20000) {
    return WaitUntil(
        [&] {
            HWND list = ::FindWindowExW(mainWindow, nullptr, L"ListBox", nullptr);
            return list && ::SendMessageW(list, LB_GETCOUNT, 0, 0) == count;
        },
        ms);
}

}  // namespace qm::test
