// Running processes found by the full path of their program file, and ending
// them gently: their windows are asked to close first, and only a process that
// does not end in time is terminated. Nothing here goes by a bare program name
// alone, so a copy of a program in another folder is never touched.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/unique_any.h"

namespace qm {

// One running process, held open (so its id cannot be reused while it is held)
// with the rights to wait for it, query it and end it.
struct TRunningProcess {
    DWORD id = 0;
    std::wstring image;  // full path of the program file; empty when it cannot be read
    unique_handle handle;
};

// The full path of a process's program file (empty when it cannot be read).
std::wstring ProcessImagePath(HANDLE process);

// Every running process (other than the calling one) whose program file name is
// one of names, ignoring case.
std::vector<TRunningProcess> ProcessesNamed(const std::vector<std::wstring>& names);

// The program file lies directly in the folder: both are compared as full long
// paths, ignoring case, so short names and a trailing "\" make no difference.
bool ImageInFolder(const std::wstring& image, const std::wstring& folder);

// Those of ProcessesNamed whose program file lies directly in the folder.
std::vector<TRunningProcess> ProcessesInFolder(const std::wstring& folder, const std::vector<std::wstring>& names);

// The visible top-level windows of a process.
std::vector<HWND> ProcessWindows(DWORD processId);

// Processes with a visible top-level window whose title begins with the text
// (a help viewer shows its help file's title), among those named.
std::vector<TRunningProcess> ProcessesShowing(const std::vector<std::wstring>& names, const std::wstring& titleStart);

// Asks each process to end by posting WM_CLOSE to its top-level windows, waits
// up to waitMs for all of them (calling pump between looks), then terminates
// those still running and waits a little for them to go. Returns the processes
// that are still running afterwards.
std::vector<TRunningProcess> CloseThenEnd(std::vector<TRunningProcess> processes, DWORD waitMs,
                                          const std::function<void()>& pump);

}  // namespace qm
