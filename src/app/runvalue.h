// The Run value that starts QuilMar at logon: value "QuilMar" of the Run key of
// the machine, data the quoted program path + " /run".
// Writing it needs an elevated process; every failure is silent.
#pragma once
#include <windows.h>

#include <string>

namespace qm {

inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run";

// "\"<folder>quilmar.exe\" /run"
std::wstring RunValueData(const std::wstring& programFolder);

class TRunValue {
public:
    // root is HKEY_LOCAL_MACHINE in the program; tests point it elsewhere.
    explicit TRunValue(HKEY root = HKEY_LOCAL_MACHINE, std::wstring key = kRunKey)
        : root_(root), key_(std::move(key)) {}
    // Present when the value exists with non-blank text.
    bool Present() const;
    bool Write(const std::wstring& data) const;
    bool Remove() const;
    // Writes or deletes to match the wish; leaves the registry alone otherwise.
    void Apply(bool wanted, const std::wstring& data) const;

private:
    HKEY root_;
    std::wstring key_;
};

}  // namespace qm
