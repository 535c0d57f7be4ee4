#include "capture/runningapps.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>

#include "base/files.h"
#include "base/strings.h"
#include "capture/runtimelibs.h"

namespace qm {

namespace {

// The lists as texts, so failures print readably.
std::vector<std::wstring> Texts(const std::vector<TAppPair>& pairs) {
    std::vector<std::wstring> texts;
    for (const TAppPair& p : pairs) texts.push_back(p.path + L" | " + p.title);
    return texts;
}
std::vector<std::wstring> Texts(const std::vector<TFilterRow>& rows) {
    std::vector<std::wstring> texts;
    for (const TFilterRow& r : rows) texts.push_back(r.title + L" | " + r.location);
    return texts;
}
std::vector<std::wstring> Texts(const std::vector<TAddItemRow>& rows) {
    std::vector<std::wstring> texts;
    for (const TAddItemRow& r : rows) texts.push_back(r.caption + L" | " + r.path + L" | " + std::to_wstring(r.image));
    return texts;
}

const wchar_t kOwn[] = L"C:\\Program Files\\QuilMar\\quilmar.exe";
const wchar_t kExplorer[] = L"C:\\Windows\\explorer.exe";
const wchar_t kEditor[] = L"C:\\Apps\\editor.exe";
const wchar_t kSync[] = L"C:\\Tools\\sync.exe";

struct FakeWindow {
    const wchar_t* title;
    const wchar_t* path;
    bool nullHandle = false;
    bool unanswered = false;  // busy: its title could not be read in time
};

// Startup programs by lower-cased path; one path makes the filter fail.
class FakeStartup : public IStartupFilter {
public:
    std::set<std::wstring> programs{ToLower(kSync), L"d:\\old\\quilmar.exe"};
    std::wstring failing = L"C:\\Apps\\broken.exe";
    bool IsStartupProgram(const std::wstring& path) override {
        if (path == failing) throw std::runtime_error("registry gone");
        return programs.count(ToLower(path)) != 0;
    }
};

struct ScanCase {
    const char* name;
    std::vector<FakeWindow> windows;
    bool filterStartup;
    std::vector<TAppPair> apps;
    std::vector<TFilterRow> filterRows;  // added to the one row already there
};

const TFilterRow kExistingRow{L"Mail", L"C:\\Mail\\mail.exe"};

std::vector<ScanCase> ScanCases() {
    return {
        {"title after the last dash", {{L"Document1 - Editor", kEditor}}, false, {{kEditor, L"Editor"}}, {}},
        {"title without dash stays whole", {{L"Editor", kEditor}}, false, {{kEditor, L"Editor"}}, {}},
        {"last of several dashes", {{L"a - b -  c ", kEditor}}, false, {{kEditor, L"c"}}, {}},
        {"blank titles skipped", {{L"   ", kEditor}, {L"", kSync}}, false, {}, {}},
        {"same program once, topmost title",
         {{L"Top - Editor One", kEditor}, {L"Lower - Editor Two", L" c:\\apps\\EDITOR.EXE"}},
         false,
         {{kEditor, L"Editor One"}},
         {}},
        {"explorer windows are never duplicates",
         {{L"Recycle Bin", kExplorer}, {L"My Computer", kExplorer}},
         false,
         {{kExplorer, L"Recycle Bin"}, {kExplorer, L"My Computer"}},
         {}},
        {"explorer showing a folder skipped",
         {{L"Documents", kExplorer}, {L"Editor", kEditor}},
         false,
         {{kEditor, L"Editor"}},
         {}},
        {"the four shell names pass unchanged",
         {{L"Desktop", kExplorer}, {L"Control Panel", kExplorer}},
         false,
         {{kExplorer, L"Desktop"}, {kExplorer, L"Control Panel"}},
         {}},
        {"photo viewer",
         {{L"holiday.jpg - Windows Photo Viewer", L"C:\\Windows\\System32\\DLLHOST.EXE"}},
         false,
         {{L"Windows Photo Viewer", L"Windows Photo Viewer"}},
         {}},
        {"other dllhost and rundll32 windows skipped",
         {{L"COM Surrogate", L"C:\\Windows\\System32\\dllhost.exe"}, {L"Applet", L"C:\\Windows\\rundll32.exe"}},
         false,
         {},
         {}},
        {"applet window", {{L"System", kExplorer}}, false, {{L"System", L"System"}}, {}},
        {"own program skipped",
         {{L"QuilMar", L"c:\\program files\\quilmar\\QUILMAR.EXE "}, {L"Editor", kEditor}},
         false,
         {{kEditor, L"Editor"}},
         {}},
        {"empty path skipped", {{L"Nothing", L""}, {L"Blank", L"   "}}, false, {}, {}},
        {"null handle skipped", {{L"Editor", kEditor, true}}, false, {}, {}},
        {"%20 becomes a blank",
         {{L"My%20Doc - Tool%20Box", L"C:\\My%20Tools\\tool.exe"}},
         false,
         {{L"C:\\My Tools\\tool.exe", L"Tool Box"}},
         {}},
        {"startup program set aside once",
         {{L"Sync", kSync}, {L"Editor", kEditor}, {L"Sync 2", L"c:\\tools\\SYNC.exe"}},
         true,
         {{kEditor, L"Editor"}},
         {{L"Sync", kSync}}},
        {"startup row already listed", {{L"Mail Window", L"c:\\mail\\MAIL.EXE"}}, true, {}, {}},
        {"startup filter off", {{L"Sync", kSync}}, false, {{kSync, L"Sync"}}, {}},
        {"a quilmar.exe is never a startup program here",
         {{L"Old copy", L"D:\\Old\\quilmar.exe"}},
         true,
         {{L"D:\\Old\\quilmar.exe", L"Old copy"}},
         {}},
        {"a busy program without a title is named after its program",
         {{L"", L"C:\\Apps\\busy.exe", false, true}, {L"", L"C:\\Apps\\idle.exe"}},
         false,
         {{L"C:\\Apps\\busy.exe", L"busy"}},
         {}},
        {"a busy program keeps the title the system has for it",
         {{L"Report - Busy Tool", L"C:\\Apps\\busy.exe", false, true}},
         false,
         {{L"C:\\Apps\\busy.exe", L"Busy Tool"}},
         {}},
        {"a failing window is left out",
         {{L"Broken", L"C:\\Apps\\broken.exe"}, {L"Editor", kEditor}},
         true,
         {{kEditor, L"Editor"}},
         {}},
    };
}

TEST(RunningApplicationRules, Table) {
    for (const ScanCase& c : ScanCases()) {
        SCOPED_TRACE(c.name);
        std::vector<TWindowEntry> windows;
        std::map<HWND, std::wstring> paths;
        for (size_t i = 0; i < c.windows.size(); ++i) {
            HWND handle = c.windows[i].nullHandle ? nullptr : reinterpret_cast<HWND>((i + 1) * 16);
            windows.push_back({c.windows[i].title, handle, c.windows[i].unanswered});
            paths[handle] = c.windows[i].path;
        }
        FakeStartup startup;
        startup.programs.insert(L"c:\\mail\\mail.exe");
        TRunningApplicationRules rules(startup, kOwn);
        std::vector<TAppPair> apps{{L"C:\\stale.exe", L"Stale"}};
        std::vector<TFilterRow> filterRows{kExistingRow};
        int pumps = 0;
        rules.Collect(
            windows, [&](HWND h) { return paths.at(h); }, c.filterStartup, apps, filterRows, [&] { ++pumps; });
        EXPECT_EQ(Texts(apps), Texts(c.apps));
        std::vector<TFilterRow> rows{kExistingRow};
        rows.insert(rows.end(), c.filterRows.begin(), c.filterRows.end());
        EXPECT_EQ(Texts(filterRows), Texts(rows));
        EXPECT_EQ(pumps, static_cast<int>(windows.size()));
    }
}

TEST(RunningApplicationRules, RecordsThePathTheProcessReports) {
    FakeStartup startup;
    TRunningApplicationRules rules(startup, kOwn);
    std::vector<TWindowEntry> windows{{L"Recycle Bin", reinterpret_cast<HWND>(16)}};
    std::vector<TAppPair> apps;
    std::vector<TFilterRow> rows;
    rules.Collect(
        windows, [](HWND) { return std::wstring(L"C:\\windows\\Explorer.EXE"); }, false, apps, rows);
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(apps[0].path, L"C:\\windows\\Explorer.EXE");  // not upper-cased by the shell-window test
}

struct DeviceCase {
    const wchar_t* device;
    const wchar_t* drive;
};

TEST(DevicePath, ConversionTable) {
    const std::map<std::wstring, std::wstring> devices = {
        {L"c:", L"\\Device\\HarddiskVolume1"},
        {L"d:", L"\\Device\\HarddiskVolume2"},
        {L"e:", L"\\Device\\CdRom0"},
        {L"s:", L"\\Device\\HarddiskVolume1"},  // a substitute of C: comes later in the alphabet
    };
    std::vector<std::wstring> asked;
    auto query = [&](const std::wstring& drive) {
        asked.push_back(drive);
        auto it = devices.find(drive);
        return it == devices.end() ? std::wstring() : it->second;
    };
    const DeviceCase cases[] = {
        {L"\\Device\\HarddiskVolume1\\Windows\\notepad.exe", L"c:\\Windows\\notepad.exe"},
        {L"\\device\\HARDDISKVOLUME2\\Tools\\A.exe", L"d:\\Tools\\A.exe"},
        {L"\\Device\\CdRom0\\setup.exe", L"e:\\setup.exe"},
        {L"\\Device\\HarddiskVolume1\\", L"c:\\"},
        {L"\\Device\\HarddiskVolume3\\x.exe", L""},
        {L"\\Device\\HarddiskVolume10\\x.exe", L""},
        {L"\\Device\\HarddiskVolume1", L""},
        {L"\\Device", L""},
        {L"", L""},
        {L"C:\\Windows\\notepad.exe", L""},
    };
    for (const DeviceCase& c : cases) EXPECT_EQ(DevicePathToDrivePath(c.device, query), c.drive) << c.device;

    asked.clear();
    DevicePathToDrivePath(L"\\Device\\Nowhere\\x", query);
    ASSERT_EQ(asked.size(), 26u);
    EXPECT_EQ(asked.front(), L"a:");
    EXPECT_EQ(asked.back(), L"z:");
}

TEST(DevicePath, OwnImageNameConvertsToTheProgramPath) {
    using Fn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD);
    auto imageName = GetProc<Fn>(L"psapi.dll", "GetProcessImageFileNameW");
    ASSERT_NE(imageName, nullptr);
    wchar_t device[1024] = {};
    ASSERT_GT(imageName(::GetCurrentProcess(), device, 1024), 0u);
    EXPECT_TRUE(StartsWith(device, L"\\Device\\")) << WideToUtf8(device);
    std::wstring drive = DevicePathToDrivePath(device);
    EXPECT_TRUE(EqualsNoCase(drive, ModulePath())) << WideToUtf8(drive) << " vs " << WideToUtf8(ModulePath());
}

// The add-items dialog's list of running applications.
struct ListingCase {
    const char* name;
    std::vector<TAddItemRow> rowsBefore;
    std::vector<TAppPair> apps;
    std::vector<TAddItemRow> added;
};

const wchar_t kViewerCommand[] = L"rundll32.exe C:\\Windows\\system32\\shimgvw.dll,ImageView_Fullscreen C:\\a.jpg";

std::vector<ListingCase> ListingCases() {
    return {
        {"a plain program", {}, {{kEditor, L"  Editor "}}, {{L"Editor", kEditor, 100}}},
        {"no title: the display name", {}, {{kEditor, L"  "}}, {{L"editor", kEditor, 100}}},
        {"already listed, case and blanks aside", {{L"Ed", L" c:\\APPS\\editor.exe "}}, {{kEditor, L"Editor"}}, {}},
        {"already listed as a command line", {{L"Ed", L"\"C:\\Apps\\editor.exe\" \"%1\""}}, {{kEditor, L"Editor"}}, {}},
        {"listed twice in the scan",
         {},
         {{kEditor, L"One"}, {L"C:\\APPS\\EDITOR.EXE", L"Two"}},
         {{L"One", kEditor, 100}}},
        {"explorer rows also compare the caption",
         {{L"Recycle Bin", kExplorer}},
         {{L"C:\\WINDOWS\\EXPLORER.EXE", L" recycle bin "}, {kExplorer, L"My Computer"}},
         {{L"My Computer", kExplorer, 100}}},
        {"startup programs stay out", {}, {{L"c:\\tools\\SYNC.EXE", L"Sync"}}, {}},
        {"this program stays out", {}, {{L"D:\\Old\\QuilMar.exe", L"QuilMar"}}, {}},
        {"photo viewer",
         {},
         {{L"Windows Photo Viewer", L"Windows Photo Viewer"}, {kViewerCommand, L"a.jpg"}},
         {{L"Windows Photo Viewer", L"Windows Photo Viewer", 100}}},
        {"photo viewer command", {}, {{kViewerCommand, L"a.jpg"}}, {{L"a.jpg", L"Windows Photo Viewer", 100}}},
    };
}

TEST(AddItemListing, Table) {
    const std::vector<TFilterRow> filterRows{{L"Sync", kSync}};
    for (const ListingCase& c : ListingCases()) {
        SCOPED_TRACE(c.name);
        std::vector<TAddItemRow> rows = c.rowsBefore;
        std::vector<std::wstring> iconsAsked, lastRecorded;
        int steps = 0;
        TAddItemListingHooks hooks;
        hooks.iconOf = [&](const std::wstring& path) {
            iconsAsked.push_back(path);
            return 100;
        };
        hooks.setLastRecordedPath = [&](const std::wstring& path) { lastRecorded.push_back(path); };
        hooks.step = [&] { ++steps; };
        AppendRunningApplicationRows(c.apps, filterRows, rows, hooks);

        std::vector<TAddItemRow> expected = c.rowsBefore;
        expected.insert(expected.end(), c.added.begin(), c.added.end());
        EXPECT_EQ(Texts(rows), Texts(expected));
        EXPECT_EQ(steps, static_cast<int>(c.apps.size()));
        // Each added row is the last recorded path in turn, and its icon is the path's.
        EXPECT_EQ(lastRecorded.size(), c.added.size());
        EXPECT_EQ(iconsAsked, lastRecorded);
    }
}

TEST(AddItemListing, LastRecordedPathAndIconUseTheScannedPath) {
    std::vector<TAddItemRow> rows;
    std::vector<std::wstring> icons, last;
    TAddItemListingHooks hooks{[&](const std::wstring& p) {
                                   icons.push_back(p);
                                   return static_cast<int>(icons.size()) + 77;
                               },
                               [&](const std::wstring& p) { last.push_back(p); },
                               {}};
    AppendRunningApplicationRows({{kEditor, L"Editor"}, {kViewerCommand, L"a.jpg"}, {kSync, L"Sync"}}, {}, rows, hooks);
    EXPECT_EQ(last, (std::vector<std::wstring>{kEditor, kViewerCommand, kSync}));
    EXPECT_EQ(icons, last);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].image, 78);
    EXPECT_EQ(rows[2].image, 80);
}

}  // namespace
}  // namespace qm
