// The boundary of a command or event handler: an error that escapes the work is
// caught here, written where a developer can find it (the debugger output and a
// small rolling fault log), and dropped, so what was done stays done and the
// program carries on.
#pragma once
#include <exception>
#include <string>

namespace qm {

// Writes one line about a caught error; what may be null (an unknown error).
void ReportFault(const wchar_t* where, const char* what) noexcept;

// Where the fault log goes (the user data folder in the program); empty keeps
// faults to the debugger output. The log is rolled over at 64 KiB.
void SetFaultLog(std::wstring path);
const std::wstring& FaultLog();

// Runs fn; true when it ran to its end, false when an error was caught.
template <class Fn>
bool Guarded(const wchar_t* where, Fn&& fn) noexcept {
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        ReportFault(where, e.what());
    } catch (...) {
        ReportFault(where, nullptr);
    }
    return false;
}

}  // namespace qm
