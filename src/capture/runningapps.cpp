#include "capture/runningapps.h"

#include <exception>
#include <utility>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/processes.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/unique_any.h"
#include "capture/pathutil.h"
#include "capture/placement.h"
#include "capture/runtimelibs.h"
#include "capture/specialwindow.h"

namespace qm {

namespace {

// Enough for any path the system reports, so none is cut short.
constexpr DWORD kPathBuffer = 32768;

// The text after the last "\" or ":".
std::wstring FileNamePart(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\:");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring Key(const std::wstring& path) { return ToLower(Trim(path)); }

bool IsExplorer(const std::wstring& path) { return Key(FileNamePart(path)) == L"explorer.exe"; }
bool IsQuilmar(const std::wstring& path) { return Key(FileNamePart(path)) == L"quilmar.exe"; }

bool HoldsPath(const std::vector<TAppPair>& apps, const std::wstring& key) {
    for (const TAppPair& app : apps)
        if (Key(app.path) == key) return true;
    return false;
}

bool HoldsLocation(const std::vector<TFilterRow>& rows, const std::wstring& key) {
    for (const TFilterRow& row : rows)
        if (Key(row.location) == key) return true;
    return false;
}

// Windows of the shell's host programs are kept only when they stand for a
// shell place, the photo viewer or an applet; those may rename the pair.
bool KeepShellHostWindow(std::wstring& title, std::wstring& path) {
    std::wstring t = ToLower(title);
    if (t == L"my computer" || t == L"computer" || t == L"control panel" || t == L"desktop") return true;
    std::wstring program = ToUpper(Trim(FileNamePart(path)));
    if (program != L"RUNDLL32.EXE" && program != L"DLLHOST.EXE" && program != L"EXPLORER.EXE") return true;
    std::wstring newTitle = title, newPath = ToUpper(path);
    int result = RecogniseSpecialWindow(newTitle, newPath, false);
    if (result == 0) return false;
    if (result == 2) {
        title = std::move(newTitle);
        path = std::move(newPath);
    }
    return true;
}

// "report.txt - Notepad" is recorded as "Notepad".
std::wstring ApplicationTitle(const std::wstring& title) {
    size_t dash = title.rfind(L'-');
    return dash == std::wstring::npos ? title : Trim(title.substr(dash + 1));
}

}  // namespace

TRunningApplicationRules::TRunningApplicationRules(IStartupFilter& filter, std::wstring ownPath)
    : filter_(filter), ownPath_(std::move(ownPath)) {}

void TRunningApplicationRules::Collect(const std::vector<TWindowEntry>& windows, const TWindowPathFn& pathOf,
                                       bool filterStartup, std::vector<TAppPair>& apps,
                                       std::vector<TFilterRow>& filterRows, const TPumpFn& pump) {
    apps.clear();
    for (const TWindowEntry& window : windows) {
        try {
            HandleWindow(window, pathOf, filterStartup, apps, filterRows);
        } catch (const std::exception&) {
            // A window that fails is left out; the scan goes on.
        }
        if (pump) pump();
    }
}

bool TRunningApplicationRules::HandleWindow(const TWindowEntry& window, const TWindowPathFn& pathOf, bool filterStartup,
                                            std::vector<TAppPair>& apps, std::vector<TFilterRow>& filterRows) {
    if (!window.handle) return false;
    std::wstring path = pathOf(window.handle);
    std::wstring title = window.title;
    std::wstring key = Key(path);
    if (key.empty()) return false;
    // A busy program that kept no title is named after its program, not left out.
    if (Trim(title).empty()) {
        if (!window.titleUnanswered) return false;
        title = DisplayName(path);
    }
    // Every Explorer window may show another place; other programs count once.
    if (!IsExplorer(path) && HoldsPath(apps, key)) return false;
    if (filterStartup && SetAsideStartupProgram(title, path, filterRows)) return false;
    if (!KeepShellHostWindow(title, path)) return false;
    if (Key(path) == Key(ownPath_)) return false;
    path = ReplaceAll(path, L"%20", L" ");
    title = ApplicationTitle(ReplaceAll(title, L"%20", L" "));
    apps.push_back({std::move(path), std::move(title), placeOf ? placeOf(window.handle) : std::nullopt});
    return true;
}

bool TRunningApplicationRules::SetAsideStartupProgram(const std::wstring& title, const std::wstring& path,
                                                      std::vector<TFilterRow>& filterRows) {
    if (IsQuilmar(path) || !filter_.IsStartupProgram(path)) return false;
    if (!HoldsLocation(filterRows, Key(path))) filterRows.push_back({title, path});
    return true;
}

TRunningApplicationScan::TRunningApplicationScan(IStartupFilter& filter) : filter_(filter) {}

void TRunningApplicationScan::Scan(bool filterStartup, std::vector<TAppPair>& apps, std::vector<TFilterRow>& filterRows,
                                   const TPumpFn& pump) {
    apps.clear();
    TRunningApplicationRules rules(filter_, ModulePath());
    rules.placeOf = PlaceOfWindow;
    rules.Collect(EnumerateTopLevelWindows(), ExecutableOfWindow, filterStartup, apps, filterRows, pump);
}

namespace {

// Titles are asked with one time budget for the whole scan, so a few busy
// programs cannot hold it up for long, and each still gets time to answer.
constexpr ULONGLONG kTitleBudgetMs = 1000;

struct TCollect {
    std::vector<TWindowEntry>* windows;
    ULONGLONG deadline;
};

// The title of a window (at most 128 characters). A window that does not answer
// within what is left of the budget is given the title the system keeps for it.
std::wstring WindowTitle(HWND window, ULONGLONG deadline, bool& unanswered) {
    wchar_t buffer[129] = {};
    ULONGLONG now = ::GetTickCount64();
    UINT wait = now < deadline ? static_cast<UINT>(deadline - now) : 0;
    DWORD_PTR copied = 0;
    if (wait > 0 && ::SendMessageTimeoutW(window, WM_GETTEXT, 129, reinterpret_cast<LPARAM>(buffer),
                                          SMTO_BLOCK | SMTO_ABORTIFHUNG, wait, &copied)) {
        buffer[128] = 0;
        return buffer;
    }
    unanswered = true;
    buffer[0] = 0;
    ::InternalGetWindowText(window, buffer, 129);  // never waits on the window
    return buffer;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* collect = reinterpret_cast<TCollect*>(param);
    if (!::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER)) return TRUE;
    try {
        TWindowEntry entry;
        entry.handle = window;
        entry.title = WindowTitle(window, collect->deadline, entry.titleUnanswered);
        collect->windows->push_back(std::move(entry));
    } catch (const std::exception&) {
        return FALSE;  // out of memory: the list stays as far as it got
    }
    return TRUE;
}

// The file of the process's first module, or the image name where that cannot be
// read (a 32-bit caller cannot read a 64-bit process's modules).
std::wstring FirstModulePath(HANDLE process) {
    using EnumFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    using NameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
    static auto enumModules = GetProc<EnumFn>(L"psapi.dll", "EnumProcessModules");
    static auto moduleName = GetProc<NameFn>(L"psapi.dll", "GetModuleFileNameExW");
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (enumModules && !enumModules(process, &first, sizeof(first), &needed)) first = nullptr;
    if (moduleName) {
        std::wstring buffer(kPathBuffer, L'\0');
        DWORD n = moduleName(process, first, buffer.data(), kPathBuffer);
        if (n > 0 && n < kPathBuffer) {
            buffer.resize(n);
            return buffer;
        }
    }
    return ProcessImagePath(process);
}

// Under WOW64 the image name is read as a device path and mapped to a drive.
std::wstring ImagePathUnderWow64(HANDLE process) {
    using Fn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD);
    static auto imageName = GetProc<Fn>(L"psapi.dll", "GetProcessImageFileNameW");
    if (imageName) {
        std::wstring buffer(kPathBuffer, L'\0');
        DWORD n = imageName(process, buffer.data(), kPathBuffer);
        if (n > 0 && n < kPathBuffer) {
            buffer.resize(n);
            return DevicePathToDrivePath(buffer);
        }
    }
    return ProcessImagePath(process);
}

}  // namespace

std::vector<TWindowEntry> EnumerateTopLevelWindows() {
    std::vector<TWindowEntry> windows;
    TCollect collect{&windows, ::GetTickCount64() + kTitleBudgetMs};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&collect));
    return windows;
}

std::wstring ExecutableOfWindow(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (!pid) return {};
    unique_handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) return {};
    return IsWow64() ? ImagePathUnderWow64(process.get()) : FirstModulePath(process.get());
}

std::wstring QueryDosDeviceName(const std::wstring& drive) {
    wchar_t buffer[1000] = {};
    if (!::QueryDosDeviceW(drive.c_str(), buffer, 1000)) return {};
    buffer[999] = 0;
    return buffer;  // the first of the names
}

std::wstring DevicePathToDrivePath(const std::wstring& devicePath, const TQueryDosDeviceFn& queryDevice) {
    size_t second = devicePath.find(L'\\', 1);
    if (second == std::wstring::npos) return {};
    size_t third = devicePath.find(L'\\', second + 1);
    if (third == std::wstring::npos) return {};
    std::wstring device = devicePath.substr(0, third);
    std::wstring rest = devicePath.substr(third);
    for (wchar_t letter = L'a'; letter <= L'z'; ++letter) {
        std::wstring drive{letter, L':'};
        if (EqualsNoCase(queryDevice(drive), device)) return drive + rest;
    }
    return {};
}

namespace {

// The path a row is compared by: the program or file it names, or the photo
// viewer for a picture-viewer command.
std::wstring RowKey(const std::wstring& path) {
    return Key(IsPhotoViewer(path) ? std::wstring(L"Windows Photo Viewer") : NormaliseLocation(path));
}

bool AlreadyListed(const std::vector<TAddItemRow>& rows, const std::wstring& path, const std::wstring& title) {
    std::wstring key = RowKey(path);
    bool explorer = IsExplorer(path);
    for (const TAddItemRow& row : rows)
        if (RowKey(row.path) == key && (!explorer || Key(row.caption) == Key(title))) return true;
    return false;
}

}  // namespace

void AppendRunningApplicationRows(const std::vector<TAppPair>& apps, const std::vector<TFilterRow>& filterRows,
                                  std::vector<TAddItemRow>& rows, const TAddItemListingHooks& hooks) {
    for (const TAppPair& app : apps) {
        std::wstring title = Trim(app.title);
        if (!AlreadyListed(rows, app.path, title) && !HoldsLocation(filterRows, Key(app.path)) &&
            !IsQuilmar(app.path)) {
            if (hooks.setLastRecordedPath) hooks.setLastRecordedPath(app.path);
            TAddItemRow row;
            row.caption = title.empty() ? DisplayName(app.path) : title;
            row.path = IsPhotoViewer(app.path) ? std::wstring(L"Windows Photo Viewer") : app.path;
            row.image = hooks.iconOf ? hooks.iconOf(app.path) : -1;
            rows.push_back(std::move(row));
        }
        if (hooks.step) hooks.step();
    }
}

void AppendOpenLocationRows(const std::vector<TLocationPair>& locations, std::vector<TAddItemRow>& rows,
                            const TAddItemListingHooks& hooks) {
    for (const TLocationPair& pair : locations) {
        std::wstring location = Trim(pair.location);
        if (location.empty()) continue;
        if (!AlreadyListed(rows, location, pair.title)) {
            if (hooks.setLastRecordedPath) hooks.setLastRecordedPath(location);
            TAddItemRow row;
            row.caption = pair.title;
            row.path = location;
            std::wstring lower = ToLower(location);
            if (lower.find(L"http:") != std::wstring::npos || lower.find(L"https:") != std::wstring::npos)
                row.image = kImageWebPage;
            else if (FileExists(location) && hooks.iconOf)
                row.image = hooks.iconOf(location);
            else
                row.image = kImageFolder;
            rows.push_back(std::move(row));
        }
        if (hooks.step) hooks.step();
    }
}

}  // namespace qm
