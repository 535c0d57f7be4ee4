#include "base/guarded.h"

#include <windows.h>

#include "base/strings.h"
#include "base/unique_any.h"

namespace qm {

namespace {

constexpr LONGLONG kFaultLogLimit = 64 * 1024;

std::wstring& FaultLogPath() {
    static std::wstring path;
    return path;
}

void AppendToLog(const std::wstring& path, const std::string& line) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        LONGLONG size = (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        // One older generation is kept, so the log never grows without bound.
        if (size > kFaultLogLimit) ::MoveFileExW(path.c_str(), (path + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    unique_hfile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

void SetFaultLog(std::wstring path) { FaultLogPath() = std::move(path); }
const std::wstring& FaultLog() { return FaultLogPath(); }

void ReportFault(const wchar_t* where, const char* what) noexcept {
    try {
        SYSTEMTIME t{};
        ::GetLocalTime(&t);
        std::wstring line =
            Format(L"%04u-%02u-%02u %02u:%02u:%02u QuilMar: %ls: %ls\r\n", t.wYear, t.wMonth, t.wDay, t.wHour,
                   t.wMinute, t.wSecond, where ? where : L"?", what ? Utf8ToWide(what).c_str() : L"unknown error");
        ::OutputDebugStringW(line.c_str());
        if (!FaultLogPath().empty()) AppendToLog(FaultLogPath(), WideToUtf8(line));
    } catch (...) {
        ::OutputDebugStringW(L"QuilMar: a fault could not be reported\r\n");
    }
}

}  // namespace qm
