// The test servers of tests/servers (the shell's window collection and UI
// Automation that Wine lacks), registered in the test prefix while a test
// runs, and what the tests tell them.
//
// Wine's CoCreateInstance reads the machine's classes only: HKCR is
// HKLM\Software\Classes there, and an InprocServer32 key under
// HKCU\Software\Classes is not seen. The registration therefore goes to the
// machine's classes of the test prefix, and everything it replaced is put
// back when it ends. What it replaced is first copied to a backup key, so a
// run that crashed in between is mended by the next registration.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/unique_any.h"
#include "servers/serverconfig.h"

namespace qm::test {

// The classes the test servers stand in for.
inline constexpr GUID kShellWindowsClass = {
    0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
inline constexpr GUID kUiAutomationClass = {
    0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};

inline bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

namespace detail {

inline std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

inline bool WriteString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

inline void WriteOrDelete(HKEY key, const wchar_t* name, const std::optional<std::wstring>& value) {
    if (value)
        WriteString(key, name, *value);
    else
        ::RegDeleteValueW(key, name);
}

inline std::wstring GuidText(const GUID& id) {
    wchar_t text[40] = {};
    ::StringFromGUID2(id, text, 40);
    return text;
}

}  // namespace detail

// The test servers' DLL registered as the in-process server of a class of the
// machine's classes while it lives.
class TRegisteredTestServer {
public:
    explicit TRegisteredTestServer(const GUID& clsid) : classKey_(ClassKey(clsid)), backupKey_(BackupKey(clsid)) {
        Restore(classKey_, backupKey_);  // what a crashed run left registered
        unique_hkey server;
        DWORD disposition = 0;
        bool classExisted = KeyExists(classKey_), serverExisted = KeyExists(classKey_ + L"\\InprocServer32");
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (classKey_ + L"\\InprocServer32").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, server.put(), &disposition) != ERROR_SUCCESS)
            return;
        unique_hkey backup;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, backupKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              backup.put(), nullptr) != ERROR_SUCCESS)
            return;
        if (!classExisted) {
            detail::WriteString(backup.get(), L"Created", L"1");
        } else if (!serverExisted) {
            detail::WriteString(backup.get(), L"CreatedServer", L"1");
        } else {
            detail::WriteOrDelete(backup.get(), L"Server", detail::ReadString(server.get(), nullptr));
            detail::WriteOrDelete(backup.get(), L"ThreadingModel", detail::ReadString(server.get(), L"ThreadingModel"));
            detail::WriteString(backup.get(), L"Saved", L"1");
        }
        ok_ = detail::WriteString(server.get(), nullptr, JoinPath(ModuleFolder(), testserver::kServerDll)) &&
              detail::WriteString(server.get(), L"ThreadingModel", L"Both");
    }
    ~TRegisteredTestServer() {
        Restore(classKey_, backupKey_);
        // The DLL stays loaded in this process; unused class objects are let go.
        ::CoFreeUnusedLibraries();
    }
    TRegisteredTestServer(const TRegisteredTestServer&) = delete;
    TRegisteredTestServer& operator=(const TRegisteredTestServer&) = delete;

    bool Ok() const { return ok_; }

    // Puts back what a run that crashed while the server was registered left
    // behind, for a test of the prefix without the server.
    static void RemoveLeftover(const GUID& clsid) { Restore(ClassKey(clsid), BackupKey(clsid)); }

private:
    static std::wstring ClassKey(const GUID& clsid) { return L"Software\\Classes\\CLSID\\" + detail::GuidText(clsid); }
    static std::wstring BackupKey(const GUID& clsid) {
        return L"Software\\QuilMarTests\\ServerBackup\\" + detail::GuidText(clsid);
    }

    static bool KeyExists(const std::wstring& path) {
        unique_hkey key;
        return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    }

    // Puts back what the backup key holds and removes the backup.
    static void Restore(const std::wstring& classKey, const std::wstring& backupKey) {
        unique_hkey backup;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, backupKey.c_str(), 0, KEY_READ, backup.put()) != ERROR_SUCCESS) return;
        if (detail::ReadString(backup.get(), L"Created")) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey.c_str());
        } else if (detail::ReadString(backup.get(), L"CreatedServer")) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classKey + L"\\InprocServer32").c_str());
        } else if (detail::ReadString(backup.get(), L"Saved")) {
            unique_hkey server;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (classKey + L"\\InprocServer32").c_str(), 0, KEY_ALL_ACCESS,
                                server.put()) == ERROR_SUCCESS) {
                detail::WriteOrDelete(server.get(), nullptr, detail::ReadString(backup.get(), L"Server"));
                detail::WriteOrDelete(server.get(), L"ThreadingModel",
                                      detail::ReadString(backup.get(), L"ThreadingModel"));
            }
        }
        backup.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, backupKey.c_str());
    }

    std::wstring classKey_, backupKey_;
    bool ok_ = false;
};

// One window of the test shell-window collection.
struct TFakeShellWindow {
    enum Kind : wchar_t { Folder = L'F', Page = L'P', NoDocument = L'N' };
    Kind kind;
    std::wstring locationUrl;
    std::wstring title;  // the page document's "title"
};

// Tells the test collection which windows it has, or to fail as Wine's own
// does; the settings are removed when it goes.
class TFakeShellWindows {
public:
    explicit TFakeShellWindows(const std::vector<TFakeShellWindow>& windows, bool fail = false) {
        std::wstring text;
        for (const TFakeShellWindow& w : windows) {
            text += static_cast<wchar_t>(w.kind);
            text += L'\t' + w.locationUrl;
            if (w.kind == TFakeShellWindow::Page) text += L'\t' + w.title;
            text += L'\0';
        }
        text += L'\0';
        unique_hkey key;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, testserver::kConfigKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr);
        ::RegSetValueExW(key.get(), testserver::kShellWindowsValue, 0, REG_MULTI_SZ,
                         reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
        DWORD failing = fail ? 1 : 0;
        ::RegSetValueExW(key.get(), testserver::kShellWindowsFailValue, 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&failing), sizeof(failing));
    }
    ~TFakeShellWindows() { ::RegDeleteTreeW(HKEY_CURRENT_USER, testserver::kConfigKey); }
    TFakeShellWindows(const TFakeShellWindows&) = delete;
    TFakeShellWindows& operator=(const TFakeShellWindows&) = delete;
};

// Tells the test history folder which items it has, one line each (see
// serverconfig.h); the list is removed when it goes.
class THistoryItems {
public:
    explicit THistoryItems(const std::vector<std::wstring>& items) { Set(items); }
    ~THistoryItems() {
        unique_hkey key;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, testserver::kConfigKey, 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS)
            ::RegDeleteValueW(key.get(), testserver::kHistoryFolderValue);
    }
    THistoryItems(const THistoryItems&) = delete;
    THistoryItems& operator=(const THistoryItems&) = delete;

    void Set(const std::vector<std::wstring>& items) {
        std::wstring text;
        for (const std::wstring& item : items) text += item + L'\0';
        text += L'\0';
        unique_hkey key;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, testserver::kConfigKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                          nullptr);
        ::RegSetValueExW(key.get(), testserver::kHistoryFolderValue, 0, REG_MULTI_SZ,
                         reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    }
};

// The timeouts the last automation object of the test server was given;
// nothing when the server is not loaded in this process.
inline std::optional<std::pair<DWORD, DWORD>> TestUiaTimeouts() {
    HMODULE dll = ::GetModuleHandleW(testserver::kServerDll);
    auto fn = dll ? reinterpret_cast<testserver::TUiaTimeoutsFn>(
                        reinterpret_cast<void*>(::GetProcAddress(dll, testserver::kUiaTimeoutsExport)))
                  : nullptr;
    if (!fn) return std::nullopt;
    unsigned long connection = 0, transaction = 0;
    fn(&connection, &transaction);
    return std::make_pair(static_cast<DWORD>(connection), static_cast<DWORD>(transaction));
}

}  // namespace qm::test
