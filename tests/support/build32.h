// The shipped 32-bit build (build/mingw32) for the end-to-end tests. It runs
// only where Wine's 32-bit loader does; elsewhere the tests that need it are
// skipped with the reason, never passed.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "base/files.h"
#include "base/strings.h"
#include "support/process.h"

namespace qm::test {

// A program of the 32-bit build (QM_TEST_BIN32: its folder, relative to this
// test program's folder).
inline std::wstring Bin32Path(const wchar_t* file) {
    std::wstring path = ModuleFolder() + ReplaceAll(Utf8ToWide(QM_TEST_BIN32), L"/", L"\\") + L"\\" + file;
    wchar_t full[MAX_PATH * 2] = {};
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    return n ? std::wstring(full, n) : path;
}

// Why the 32-bit build cannot be run here, or nothing when it can. The probe
// is the build's small unpack tool, which answers 2 when started without
// arguments; a process the loader could not start answers otherwise.
inline std::optional<std::string> Why32BitCannotRun() {
    static const std::optional<std::string> why = []() -> std::optional<std::string> {
        std::wstring probe = Bin32Path(L"qmunpack.exe");
        if (!IsExistingFile(probe) || !IsExistingFile(Bin32Path(L"quilmar.exe")))
            return "no 32-bit build (build/mingw32) to test";
        Process p = Process::Start(probe, L"");
        DWORD answer = p.Started() ? p.WaitExit(60000) : static_cast<DWORD>(-1);
        if (answer != 2) return "Wine's 32-bit loader does not run here (answer " + std::to_string(answer) + ")";
        return std::nullopt;
    }();
    return why;
}

}  // namespace qm::test

#define QM_SKIP_WITHOUT_32BIT()                                               \
    do {                                                                      \
        if (auto why = ::qm::test::Why32BitCannotRun()) GTEST_SKIP() << *why; \
    } while (false)
