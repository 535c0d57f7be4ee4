#include "app/runvalue.h"

#include "app/product.h"
#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"

namespace qm {

std::wstring RunValueData(const std::wstring& programFolder) {
    return L"\"" + JoinPath(programFolder, kExeName) + L"\" /run";
}

bool TRunValue::Present() const {
    unique_hkey key;
    if (::RegOpenKeyExW(root_, key_.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
    wchar_t data[2048] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t), type = 0;
    if (::RegQueryValueExW(key.get(), kProductName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    return !Trim(data).empty();
}

bool TRunValue::Write(const std::wstring& data) const {
    unique_hkey key;
    // Full access (0xF003F), as the value is also deleted through this key.
    if (::RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), kProductName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool TRunValue::Remove() const {
    unique_hkey key;
    if (::RegOpenKeyExW(root_, key_.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return false;
    return ::RegDeleteValueW(key.get(), kProductName) == ERROR_SUCCESS;
}

void TRunValue::Apply(bool wanted, const std::wstring& data) const {
    bool present = Present();
    if (wanted && !present) Write(data);
    if (!wanted && present) Remove();
}

}  // namespace qm
