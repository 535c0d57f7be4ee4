// A registry key of one test's own under HKEY_CURRENT_USER, standing in for
// HKEY_LOCAL_MACHINE where the code takes its root as a seam; removed with
// everything below it afterwards. Views do not apply below it.
#pragma once
#include <windows.h>

#include <map>
#include <string>

#include "base/registry.h"
#include "base/unique_any.h"

namespace qm::test {

class TRegistryRoot {
public:
    TRegistryRoot() {
        static LONG counter = 0;
        path_ = L"Software\\QuilMarTests\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::InterlockedIncrement(&counter));
        key_ = CreateKeyPath(HKEY_CURRENT_USER, path_, TRegView::Native, nullptr);
    }
    ~TRegistryRoot() {
        key_.reset();
        DeleteKeyTree(HKEY_CURRENT_USER, path_, TRegView::Native);
        DeleteKeyIfEmpty(HKEY_CURRENT_USER, L"Software\\QuilMarTests", TRegView::Native);
    }
    TRegistryRoot(const TRegistryRoot&) = delete;
    TRegistryRoot& operator=(const TRegistryRoot&) = delete;

    HKEY Key() const { return key_.get(); }
    TRegistryPlace Place(TRegView view = TRegView::Native) const { return {key_.get(), view}; }

private:
    std::wstring path_;
    unique_hkey key_;
};

// Every key (as "path\") and string value (as "path\name=data") below a key,
// for comparing two states of a tree.
inline void ListRegistry(HKEY root, const std::wstring& path, TRegView view,
                         std::map<std::wstring, std::wstring>& out) {
    unique_hkey key = OpenKey(root, path, view, KEY_READ);
    if (!key) return;
    out[path + L"\\"] = L"";
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384] = {};
        DWORD length = 16384, type = 0, size = 0;
        if (::RegEnumValueW(key.get(), i, name, &length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::wstring data;
        if (type == REG_SZ || type == REG_EXPAND_SZ)
            data = ReadString(root, path, view, name).value_or(L"?");
        else
            data = L"(type " + std::to_wstring(type) + L", " + std::to_wstring(size) + L" bytes)";
        out[path + L"\\" + name] = data;
    }
    for (const std::wstring& sub : SubkeyNames(root, path, view)) ListRegistry(root, path + L"\\" + sub, view, out);
}

inline std::map<std::wstring, std::wstring> ListRegistry(HKEY root, const std::wstring& path = L"",
                                                         TRegView view = TRegView::Native) {
    std::map<std::wstring, std::wstring> out;
    ListRegistry(root, path, view, out);
    return out;
}

}  // namespace qm::test
