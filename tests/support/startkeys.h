// Registry roots (a user's and a machine's) and Startup folders of a test's
// own for TWindowsStartMan and the startup programs manager; all removed
// afterwards.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/unique_any.h"
#include "capture/windowsstart.h"
#include "support/tempdir.h"

namespace qm::test {

class TStartKeys {
public:
    TStartKeys() {
        base_ = L"Software\\QuilMarTests\\StartKeys-" + std::to_wstring(::GetCurrentProcessId());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
        ::RegCreateKeyExW(HKEY_CURRENT_USER, (base_ + L"\\User").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          user_.put(), nullptr);
        ::RegCreateKeyExW(HKEY_CURRENT_USER, (base_ + L"\\Machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          machine_.put(), nullptr);
    }
    ~TStartKeys() {
        user_.reset();
        machine_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
    }
    TStartKeys(const TStartKeys&) = delete;
    TStartKeys& operator=(const TStartKeys&) = delete;

    TStartPlaces Places() const { return {user_.get(), machine_.get(), userFolder.Path(), commonFolder.Path()}; }
    HKEY Root(TStartScope scope) const { return scope == TStartScope::User ? user_.get() : machine_.get(); }

    // Writes a value of any type under the scope's Run key.
    void Write(TStartScope scope, const std::wstring& name, DWORD type, const void* data, DWORD size) {
        unique_hkey key;
        ASSERT_EQ(
            ::RegCreateKeyExW(Root(scope), kStartRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void WriteString(TStartScope scope, const std::wstring& name, const std::wstring& data, DWORD type = REG_SZ) {
        Write(scope, name, type, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    void WriteNumber(TStartScope scope, const std::wstring& name, DWORD number) {
        Write(scope, name, REG_DWORD, &number, sizeof(number));
    }
    // The string values of the scope's Run key by name.
    std::map<std::wstring, std::wstring> Values(TStartScope scope) const {
        std::map<std::wstring, std::wstring> values;
        for (const TStartEntry& e : TWindowsStartMan(Places()).RunEntries(scope)) values[e.name] = e.data;
        return values;
    }

    TempDir userFolder, commonFolder;

private:
    std::wstring base_;
    unique_hkey user_, machine_;
};

}  // namespace qm::test
