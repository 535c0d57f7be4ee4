// The extras through the real main window: the startup programs manager
// ("&Startup") on registry roots and folders of the test's own, the favourites
// and history menus of "&Internet Explorer", and the update check against an
// https server the test starts on 127.0.0.1.
#include <winsock2.h>

#include "app/mainwindow.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "app/commands.h"
#include "app/commandbar.h"
#include "app/menus.h"
#include "app/product.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/strings.h"
#include "base/system.h"
#include "gui/dialogscript.h"
#include "gui/mainwindowfixture.h"
#include "support/fakecapture.h"
#include "support/httpsserver.h"
#include "support/shortcuts.h"
#include "support/startkeys.h"
#include "support/tempdir.h"
#include "support/testservers.h"
#include "ui/window.h"

namespace qm {
namespace {

using test::TDialogScript;

struct TShellCall {
    std::wstring verb, file, parameters;
};

// What a list of the manager shows.
struct TShownRow {
    std::wstring caption, location;
    int image;
};

std::vector<TShownRow> Shown(TReportList& list) {
    std::vector<TShownRow> rows;
    for (int i = 0; i < list.Count(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        ListView_GetItem(list.Handle(), &item);
        rows.push_back({list.Text(i, 0), list.Text(i, 1), item.iImage});
    }
    return rows;
}

int RowOf(TReportList& list, const std::wstring& caption) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.Text(i, 0) == caption) return i;
    return -1;
}

// One entry of a menu as the user sees it.
struct TShownEntry {
    std::wstring caption;
    HMENU submenu;
    UINT id;
    bool grayed;
    bool image;
};

std::vector<TShownEntry> Entries(HMENU menu) {
    std::vector<TShownEntry> entries;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_ID | MIIM_STATE | MIIM_BITMAP;
        mii.dwTypeData = text;
        mii.cch = 256;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii);
        entries.push_back({text, mii.hSubMenu, mii.wID, (mii.fState & MFS_GRAYED) != 0, mii.hbmpItem != nullptr});
    }
    return entries;
}

std::vector<std::wstring> Captions(HMENU menu) {
    std::vector<std::wstring> captions;
    for (const TShownEntry& e : Entries(menu)) captions.push_back(e.caption);
    return captions;
}

const TShownEntry* Find(const std::vector<TShownEntry>& entries, const std::wstring& caption) {
    for (const TShownEntry& e : entries)
        if (e.caption == caption) return &e;
    return nullptr;
}

// The files of a folder by name.
std::set<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& pattern = L"*") {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW(JoinPath(folder, pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(data.cFileName);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, folder);
    return folder;
}

// The Linux trash the test run gives Wine (scripts/test sets XDG_DATA_HOME).
std::wstring TrashFiles() {
    wchar_t home[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"XDG_DATA_HOME", home, MAX_PATH) || home[0] != L'/') return {};
    return L"Z:" + ReplaceAll(home, L"/", L"\\") + L"\\Trash\\files";
}

// Runs reg.exe in the test prefix and returns what it printed.
std::string RegQuery(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0)) return {};
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = nullptr;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"reg.exe " + arguments;
    std::string output;
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(writeEnd);
        writeEnd = nullptr;
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got) output.append(buffer, got);
        ::WaitForSingleObject(pi.hProcess, 10000);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
    if (writeEnd) ::CloseHandle(writeEnd);
    ::CloseHandle(readEnd);
    return output;
}

class ExtrasTest : public test::TMainWindowFixture {
protected:
    std::vector<TShellCall> shellCalls;
    std::vector<std::wstring> messages;
    int answer = IDOK;  // what every message box answers
    std::unique_ptr<TEffectsOverride> effects;

    void SetUp() override {
        TMainWindowFixture::SetUp();
        // A record to open, so the start does not record the desktop.
        ASSERT_TRUE(WriteFileReplacing(JoinPath(records, L"Dec 01,2026_001.quilmar"), "<quilmartree app=\"x\"/>"));
        TEffects fake;
        fake.shellExecute = [this](HWND, const std::wstring& verb, const std::wstring& file,
                                   const std::wstring& parameters, int) {
            shellCalls.push_back({verb, file, parameters});
            return reinterpret_cast<HINSTANCE>(42);
        };
        fake.winExec = [](const std::string&, UINT) { return 33u; };
        fake.messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            messages.push_back(text);
            return answer;
        };
        effects = std::make_unique<TEffectsOverride>(std::move(fake));
    }
    void TearDown() override {
        TDialogScript::Stop();
        CloseWindow();
        TMainWindowFixture::TearDown();
    }
    // The window goes, and with it the end of the message loop it posts.
    void CloseWindow() {
        window.reset();
        MSG m;
        while (::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    // Creates the window and runs its first-run step (before runs first).
    void Open(std::vector<std::wstring> args = {}, const std::function<void()>& before = {}) {
        TStartFlags flags = ParseStartFlags(args);
        window = std::make_unique<TQuilmarWindow>(*store, std::move(args), flags);
        window->SetRunValue(TRunValue(HKEY_CURRENT_USER, L"Software\\QuilMarTests\\Run"));
        ASSERT_TRUE(window->Create());
        window->SetCaptureSources(&apps, &locations, recent.Path());
        window->ShowFirst(SW_SHOWNORMAL);
        if (before) before();
        window->FirstRun();
        PumpPendingMessages();
    }
    // Runs the startup programs manager through the menu command while the
    // steps work on it; true when every step ran.
    bool RunStartupManager(std::vector<TDialogScript::TStep> steps) {
        TfrmRun& manager = window->StartupManager();
        TDialogScript::Start([&manager] { return manager.Handle(); }, std::move(steps));
        window->RunCommand(CmStartupManager);
        return TDialogScript::Completed();
    }
    TfrmRun& Manager() { return window->StartupManager(); }
    void Click(int id) { ::SendMessageW(Manager().Control(id), BM_CLICK, 0, 0); }
    void SelectRow(int tab, const std::wstring& caption) {
        TReportList& list = Manager().List(tab);
        list.SelectOnly(RowOf(list, caption));
        ::SetFocus(list.Handle());
    }
    TDialogScript::TStep Close() {
        return [this] {
            Click(IDOK);
            return true;
        };
    }
};

// ---- The startup programs manager ---------------------------------------------------

TEST_F(ExtrasTest, StartupManagerListsRunValuesAndStartupFilesOfEachTab) {
    test::TStartKeys keys;
    std::wstring program = dir / L"target.exe";
    ASSERT_TRUE(WriteFileReplacing(program, "x"));
    keys.WriteString(TStartScope::User, L"Tool", L"\"" + program + L"\" -tray");
    keys.WriteNumber(TStartScope::User, L"Counter", 1);  // not a string: left out, the listing goes on
    keys.WriteString(TStartScope::User, L"Zeta", L"C:\\Program Files\\Zeta\\zeta.exe -quiet");
    ASSERT_TRUE(test::MakeShortcut(keys.userFolder / L"Editor.lnk", program));
    ASSERT_TRUE(WriteFileReplacing(keys.userFolder / L"desktop.ini", "[.ShellClassInfo]"));
    ::SetFileAttributesW((keys.userFolder / L"desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    keys.WriteString(TStartScope::Machine, L"Shared", L"C:\\shared.exe");
    ASSERT_TRUE(WriteFileReplacing(keys.commonFolder / L"common.bat", "@echo off"));
    // A start after the elevated restart reopens the manager ("openwindow" 5).
    store->Common().WriteInteger(keys::kSectionStatus, keys::openwindow, 5);
    std::vector<TShownRow> user, machine;
    std::wstring caption;
    bool hintShown = false;
    TDialogScript::Start([this] { return window ? window->StartupManager().Handle() : nullptr; },
                         {
                             [&] {
                                 caption = test::WindowText(Manager().Handle());
                                 hintShown = test::Visible(Manager().Control(TfrmRun::kIdPanelHint));
                                 EXPECT_EQ(Manager().ShownTab(), TfrmRun::kTabCurrentUser);
                                 user = Shown(Manager().List(TfrmRun::kTabCurrentUser));
                                 Manager().SelectTab(TfrmRun::kTabAllUsers);
                                 machine = Shown(Manager().List(TfrmRun::kTabAllUsers));
                                 return true;
                             },
                             Close(),
                         });
    Open({}, [&] { Manager().SetPlaces(keys.Places()); });
    EXPECT_TRUE(TDialogScript::Completed());
    EXPECT_EQ(caption, L"Startup");
    EXPECT_TRUE(hintShown);
    EXPECT_EQ(store->LoadReopen(), TReopen::Nothing);  // shown: "openwindow" is 0 again
    // Run values first (in the registry's order), then the folder's files.
    ASSERT_EQ(user.size(), 3u);
    std::set<std::wstring> runCaptions{user[0].caption, user[1].caption};
    EXPECT_EQ(runCaptions, (std::set<std::wstring>{L"Tool", L"Zeta"}));
    EXPECT_EQ(user[2].caption, L"target.exe");  // a shortcut under its target's name
    EXPECT_EQ(user[2].location, keys.userFolder / L"Editor.lnk");
    for (const TShownRow& row : user) {
        EXPECT_GE(row.image, 0) << row.caption;
        if (row.caption == L"Zeta") {
            EXPECT_EQ(row.location, L"C:\\Program Files\\Zeta\\zeta.exe -quiet");
        }
    }
    ASSERT_EQ(machine.size(), 2u);
    EXPECT_EQ(machine[0].caption, L"Shared");
    EXPECT_EQ(machine[1].caption, L"common.bat");
    EXPECT_EQ(machine[1].location, keys.commonFolder / L"common.bat");
}

TEST_F(ExtrasTest, StartupManagerStartsEntriesWithTheirArgumentsAndOpensTheirFolders) {
    test::TStartKeys keys;
    std::wstring program = dir / L"target.exe";
    ASSERT_TRUE(WriteFileReplacing(program, "x"));
    keys.WriteString(TStartScope::User, L"Tool", L"\"" + program + L"\" -tray /quiet");
    ASSERT_TRUE(test::MakeShortcut(keys.userFolder / L"Editor.lnk", program));
    Open();
    Manager().SetPlaces(keys.Places());
    bool stillOpen = false;
    EXPECT_TRUE(RunStartupManager({
        [&] {
            SelectRow(0, L"Tool");
            Click(TfrmRun::kIdBtnSSPCRun);
            SelectRow(0, L"target.exe");
            Manager().StartSelected();
            SelectRow(0, L"Tool");
            Manager().OpenSelectedFolders();
            // Enter in the list starts the selection; the window stays.
            SelectRow(0, L"target.exe");
            test::PressKey(Manager().List(0).Handle(), VK_RETURN);
            return true;
        },
        [&] {
            stillOpen = test::Visible(Manager().Handle());
            return true;
        },
        Close(),
    }));
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(shellCalls.size(), 4u);
    EXPECT_EQ(shellCalls[0].file, program);
    EXPECT_EQ(shellCalls[0].parameters, L"-tray /quiet");
    EXPECT_EQ(shellCalls[1].file, keys.userFolder / L"Editor.lnk");  // the shortcut brings its own arguments
    EXPECT_EQ(shellCalls[1].parameters, L"");
    EXPECT_EQ(shellCalls[2].file, dir.Path() + L"\\");
    EXPECT_EQ(shellCalls[3].file, keys.userFolder / L"Editor.lnk");
    for (const TShellCall& c : shellCalls) EXPECT_EQ(c.verb, L"open");
}

TEST_F(ExtrasTest, StartupManagerAddsOnAllUsersInThe64BitViewAndAsksBeforeReplacing) {
    test::TStartKeys keys;
    TStartPlaces places = keys.Places();
    places.machineRoot = HKEY_LOCAL_MACHINE;  // the test prefix's own machine key
    const std::wstring name = L"QuilMarTestAdded";
    TWindowsStartMan(places).DeleteRunValue(TStartScope::Machine, name);
    keys.WriteString(TStartScope::User, L"Tool", L"C:\\old.exe");
    Open();
    Manager().SetPlaces(places);
    std::vector<std::wstring> afterAdd;
    EXPECT_TRUE(RunStartupManager({
        [&] {
            Manager().SelectTab(TfrmRun::kTabAllUsers);
            Manager().SetText(TfrmRun::kIdTxtStartName, L"  " + name + L" ");
            Manager().SetText(TfrmRun::kIdTxtStartPath, L"\"C:\\qm tools\\added.exe\" -x");
            Click(TfrmRun::kIdBtnSSAddPCStart);
            for (const TShownRow& r : Shown(Manager().List(TfrmRun::kTabAllUsers))) afterAdd.push_back(r.caption);
            // An existing value: asked first; Cancel keeps it, OK replaces it.
            Manager().SelectTab(TfrmRun::kTabCurrentUser);
            Manager().SetText(TfrmRun::kIdTxtStartName, L"Tool");
            Manager().SetText(TfrmRun::kIdTxtStartPath, L"C:\\new.exe");
            answer = IDCANCEL;
            Click(TfrmRun::kIdBtnSSAddPCStart);
            EXPECT_EQ(keys.Values(TStartScope::User)[L"Tool"], L"C:\\old.exe");
            answer = IDOK;
            Click(TfrmRun::kIdBtnSSAddPCStart);
            return true;
        },
        Close(),
    }));
    EXPECT_NE(std::find(afterAdd.begin(), afterAdd.end(), name), afterAdd.end());
    EXPECT_EQ(keys.Values(TStartScope::User)[L"Tool"], L"C:\\new.exe");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], L"A startup item named \"Tool\" already exists. Do you want to replace it?");
    const std::wstring key = L"\"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\" /v " + name;
    std::string view64 = RegQuery(L"query " + key + L" /reg:64");
    std::string view32 = RegQuery(L"query " + key + L" /reg:32");
    TWindowsStartMan(places).DeleteRunValue(TStartScope::Machine, name);
    EXPECT_NE(view64.find("\"C:\\qm tools\\added.exe\" -x"), std::string::npos) << view64;
    EXPECT_EQ(view32.find("added.exe"), std::string::npos) << view32;
}

TEST_F(ExtrasTest, StartupManagerRemovesExactlyTheChosenRow) {
    test::TStartKeys keys;
    std::wstring program = dir / L"target.exe", kept = keys.userFolder / L"keep.txt";
    ASSERT_TRUE(WriteFileReplacing(program, "x"));
    ASSERT_TRUE(WriteFileReplacing(kept, "x"));
    ASSERT_TRUE(test::MakeShortcut(keys.userFolder / L"Editor.lnk", program));
    // A value named like the shortcut's row, and one whose data is a file of the folder.
    keys.WriteString(TStartScope::User, L"target.exe", L"C:\\elsewhere\\target.exe");
    keys.WriteString(TStartScope::User, L"InFolder", kept);
    std::wstring trash = TrashFiles();
    std::set<std::wstring> trashBefore = FilesIn(trash);
    Open();
    Manager().SetPlaces(keys.Places());
    std::vector<std::wstring> afterFile;
    EXPECT_TRUE(RunStartupManager({
        [&] {
            // The folder's shortcut is the row after the two values.
            TReportList& list = Manager().List(0);
            int shortcut = -1;
            for (int i = 0; i < list.Count(); ++i)
                if (list.Text(i, 1) == keys.userFolder / L"Editor.lnk") shortcut = i;
            list.SelectOnly(shortcut);
            test::PressKey(list.Handle(), VK_DELETE);
            return true;
        },
        [&] {
            for (const TShownRow& r : Shown(Manager().List(0))) afterFile.push_back(r.caption);
            SelectRow(0, L"InFolder");
            Click(TfrmRun::kIdBtnSSDeletePCStart);
            // Nothing selected: asked, then told.
            Manager().List(0).SelectOnly(-1);
            Click(TfrmRun::kIdBtnSSDeletePCStart);
            return true;
        },
        Close(),
    }));
    EXPECT_FALSE(PathExists(keys.userFolder / L"Editor.lnk"));
    EXPECT_TRUE(IsExistingFile(kept));     // the folder's other file stays, though a value named it
    EXPECT_TRUE(IsExistingFile(program));  // and the shortcut's target
    std::map<std::wstring, std::wstring> values = keys.Values(TStartScope::User);
    EXPECT_EQ(values.count(L"target.exe"), 1u);  // only the chosen row went
    EXPECT_EQ(values.count(L"InFolder"), 0u);
    std::sort(afterFile.begin(), afterFile.end());
    EXPECT_EQ(afterFile, (std::vector<std::wstring>{L"InFolder", L"keep.txt", L"target.exe"}));
    EXPECT_EQ(messages, (std::vector<std::wstring>{kAskRemove, kAskRemove, kAskRemove, kNothingToRemove}));
    if (trash.empty()) {
        std::cout << "XDG_DATA_HOME is not set: the Recycle Bin is not looked at\n";
    } else {
        std::set<std::wstring> added;
        for (const std::wstring& f : FilesIn(trash))
            if (!trashBefore.count(f)) added.insert(f);
        // The trash names a second file of the same name "Editor.lnk-<number>".
        ASSERT_EQ(added.size(), 1u);
        EXPECT_TRUE(StartsWith(*added.begin(), L"Editor.lnk")) << *added.begin();
    }
}

TEST_F(ExtrasTest, StartupManagerTellsMissingFieldsAndRefusedWrites) {
    test::TStartKeys keys;
    keys.WriteString(TStartScope::Machine, L"Shared", L"C:\\shared.exe");
    ASSERT_TRUE(WriteFileReplacing(keys.commonFolder / L"common.exe", "x"));
    Open();
    Manager().SetPlaces(keys.Places());
    // The machine's key and the all-users folder refuse writes, as they do for
    // a user who is not an administrator.
    Manager().Seams().setRunValue = [](TStartScope, const std::wstring&, const std::wstring&) {
        return static_cast<LSTATUS>(ERROR_ACCESS_DENIED);
    };
    Manager().Seams().deleteRunValue = [](TStartScope, const std::wstring&) {
        return static_cast<LSTATUS>(ERROR_ACCESS_DENIED);
    };
    Manager().Seams().recycle = [](const std::wstring&) { return static_cast<DWORD>(ERROR_ACCESS_DENIED); };
    COLORREF nameBack = 0, nameText = 0, pathBack = 0;
    std::vector<std::wstring> shownAfter;
    EXPECT_TRUE(RunStartupManager({
        [&] {
            Manager().SelectTab(TfrmRun::kTabAllUsers);
            Click(TfrmRun::kIdBtnSSAddPCStart);
            nameBack = Manager().FieldColour(TfrmRun::kIdTxtStartName);
            nameText = Manager().FieldTextColour(TfrmRun::kIdTxtStartName);
            Manager().SetText(TfrmRun::kIdTxtStartName, L"Name");
            Click(TfrmRun::kIdBtnSSAddPCStart);
            pathBack = Manager().FieldColour(TfrmRun::kIdTxtStartPath);
            Manager().SetText(TfrmRun::kIdTxtStartPath, L"C:\\x.exe");
            Click(TfrmRun::kIdBtnSSAddPCStart);
            SelectRow(TfrmRun::kTabAllUsers, L"Shared");
            Click(TfrmRun::kIdBtnSSDeletePCStart);
            SelectRow(TfrmRun::kTabAllUsers, L"common.exe");
            Click(TfrmRun::kIdBtnSSDeletePCStart);
            for (const TShownRow& r : Shown(Manager().List(TfrmRun::kTabAllUsers))) shownAfter.push_back(r.caption);
            return true;
        },
        Close(),
    }));
    std::wstring denied = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(messages, (std::vector<std::wstring>{kEnterName, kEnterPath, L"Unable to add \"Name\": " + denied,
                                                   kAskRemove, L"Unable to remove \"Shared\": " + denied, kAskRemove,
                                                   L"Unable to remove \"common.exe\": " + denied}));
    EXPECT_EQ(nameBack, kFieldRed);
    EXPECT_EQ(nameText, kFieldYellow);
    EXPECT_EQ(pathBack, kFieldRed);
    EXPECT_EQ(shownAfter, (std::vector<std::wstring>{L"Shared", L"common.exe"}));
    EXPECT_EQ(keys.Values(TStartScope::Machine).size(), 1u);
    EXPECT_TRUE(IsExistingFile(keys.commonFolder / L"common.exe"));
}

TEST_F(ExtrasTest, StartupManagerNameFollowsTheLocationUnlessTyped) {
    Open();
    test::TStartKeys keys;
    Manager().SetPlaces(keys.Places());
    Manager().Seams().chooseFile = [](HWND, const std::wstring&) { return std::wstring(L"C:\\chosen\\picked.exe"); };
    std::vector<std::wstring> names;
    std::wstring chosenPath;
    EXPECT_TRUE(RunStartupManager({
        [&] {
            HWND path = Manager().Control(TfrmRun::kIdTxtStartPath);
            HWND name = Manager().Control(TfrmRun::kIdTxtStartName);
            ::SetFocus(path);
            ::SetWindowTextW(path, L"C:\\tools\\first.exe");
            ::SetFocus(name);  // the location field loses the focus
            names.push_back(test::WindowText(name));
            ::SetFocus(path);
            ::SetWindowTextW(path, L"C:\\tools\\second.exe");
            ::SetFocus(name);
            names.push_back(test::WindowText(name));
            ::SetWindowTextW(name, L"Mine");  // typed by the user
            ::SetFocus(path);
            ::SetWindowTextW(path, L"C:\\tools\\third.exe");
            ::SetFocus(name);
            names.push_back(test::WindowText(name));
            // The Select button's file fills both fields.
            Click(TfrmRun::kIdBtnSelectPath);
            names.push_back(test::WindowText(name));
            chosenPath = test::WindowText(path);
            return true;
        },
        Close(),
    }));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"first.exe", L"second.exe", L"Mine", L"picked.exe"}));
    EXPECT_EQ(chosenPath, L"C:\\chosen\\picked.exe");
}

TEST_F(ExtrasTest, StartupManagerRelaunchesElevatedAndReopensThere) {
    Open();
    test::TStartKeys keys;
    Manager().SetPlaces(keys.Places());
    EXPECT_TRUE(RunStartupManager({[&] {
        Click(TfrmRun::kIdCheckBox1);
        return true;
    }}));
    EXPECT_EQ(store->LoadReopen(), TReopen::StartupManager);
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(FileNameOf(shellCalls[0].file), L"quilmaradmin.exe");
}

TEST_F(ExtrasTest, StartupManagerHidesTheHintWhenElevated) {
    Open({L"/runasadmin"});
    test::TStartKeys keys;
    Manager().SetPlaces(keys.Places());
    bool hint = true, check = true;
    EXPECT_TRUE(RunStartupManager({
        [&] {
            hint = test::Visible(Manager().Control(TfrmRun::kIdPanelHint));
            check = test::Visible(Manager().Control(TfrmRun::kIdCheckBox1));
            return true;
        },
        Close(),
    }));
    EXPECT_FALSE(hint);
    EXPECT_FALSE(check);
}

TEST_F(ExtrasTest, StartupManagerLayoutIsTidy) {
    Open();
    test::TStartKeys keys;
    Manager().SetPlaces(keys.Places());
    std::vector<std::string> problems;
    EXPECT_TRUE(RunStartupManager({
        [&] {
            problems = test::LayoutProblems(Manager().Handle());
            return true;
        },
        Close(),
    }));
    EXPECT_TRUE(problems.empty()) << problems.front();
}

// ---- The favourites and history menus -----------------------------------------------

class BrowserMenusTest : public ExtrasTest {
protected:
    HMENU BrowserMenu() { return FindSubmenuWithCommand(window->MainMenu(), CmFavoritesMenu); }
    HMENU FavoritesMenu() { return SubmenuById(window->MainMenu(), CmFavoritesMenu); }
    HMENU HistoryMenu() { return SubmenuById(window->MainMenu(), CmHistoryMenu); }
    // The user opens a menu: the window hears of it before it shows.
    void Opening(HMENU menu) { ::SendMessageW(window->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0); }
    void Choose(UINT id) { ::SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // Opens the folder entry of a menu; the entries it then shows.
    std::vector<TShownEntry> OpenFolder(HMENU menu, const std::wstring& caption) {
        std::vector<TShownEntry> entries = Entries(menu);
        const TShownEntry* folder = Find(entries, caption);
        if (!folder || !folder->submenu) {
            ADD_FAILURE() << "no folder entry " << WideToUtf8(caption);
            return {};
        }
        Opening(folder->submenu);
        return Entries(folder->submenu);
    }
    void UseFavorites(const std::wstring& folder) {
        window->BrowserMenus().Favorites().SetRoot([folder] { return PathRoot(folder); });
    }
    std::vector<std::wstring> Opened() {
        std::vector<std::wstring> files;
        for (const TShellCall& c : shellCalls) files.push_back(c.verb + L" " + c.file + c.parameters);
        return files;
    }
};

void Url(const std::wstring& file, const std::string& url) {
    ASSERT_TRUE(WriteFileReplacing(file, "[InternetShortcut]\r\nURL=" + url + "\r\n"));
}

TEST_F(BrowserMenusTest, FavoritesBecomeNestedMenusFilledAsTheyOpen) {
    test::TempDir fav;
    Url(fav / L"a.url", "http://a.example/");
    ASSERT_TRUE(CreateFolderTree(fav / L"News"));
    Url(fav / L"News\\b.url", "http://b.example/page");
    ASSERT_TRUE(CreateFolderTree(fav / L"Empty"));
    Url(fav / L"Windows Update Catalogue.url", "http://update.example/");
    ASSERT_TRUE(WriteFileReplacing(fav / L"notes.txt", "a plain file has no address"));
    Open();
    UseFavorites(fav.Path());
    EXPECT_EQ(::GetMenuItemCount(FavoritesMenu()), 0);  // nothing is read before the menu opens
    Opening(BrowserMenu());
    std::vector<TShownEntry> top = Entries(FavoritesMenu());
    std::vector<std::wstring> captions = Captions(FavoritesMenu());
    EXPECT_EQ(std::set<std::wstring>(captions.begin(), captions.end()),
              (std::set<std::wstring>{L"a", L"Empty", L"News", L"notes.txt", L"Windows Update..."}));
    const TShownEntry* news = Find(top, L"News");
    const TShownEntry* empty = Find(top, L"Empty");
    ASSERT_TRUE(news && empty);
    ASSERT_TRUE(news->submenu && empty->submenu);
    for (const TShownEntry& e : top) EXPECT_TRUE(e.image) << e.caption;

    Opening(empty->submenu);
    std::vector<TShownEntry> nothing = Entries(empty->submenu);
    ASSERT_EQ(nothing.size(), 1u);
    EXPECT_EQ(nothing[0].caption, L" (Empty) ");
    EXPECT_TRUE(nothing[0].grayed);

    Opening(news->submenu);
    std::vector<TShownEntry> inside = Entries(news->submenu);
    ASSERT_EQ(inside.size(), 1u);
    EXPECT_EQ(inside[0].caption, L"b");
    EXPECT_GE(inside[0].id, static_cast<UINT>(CmFavoritesFirst));
    EXPECT_LE(inside[0].id, static_cast<UINT>(CmFavoritesLast));
    Opening(news->submenu);  // a second opening reads nothing again
    EXPECT_EQ(::GetMenuItemCount(news->submenu), 1);

    Choose(inside[0].id);
    Choose(Find(top, L"notes.txt")->id);  // no address: nothing is opened
    Choose(Find(top, L"a")->id);
    Choose(Find(top, L"Windows Update...")->id);
    EXPECT_EQ(Opened(), (std::vector<std::wstring>{L"open http://b.example/page", L"open http://a.example/",
                                                   L"open http://update.example/"}));
}

TEST_F(BrowserMenusTest, AnEmptyFavoritesFolderShowsOneDisabledEmptyEntry) {
    test::TempDir fav;
    Open();
    UseFavorites(fav.Path());
    Opening(BrowserMenu());
    std::vector<TShownEntry> entries = Entries(FavoritesMenu());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].caption, L" (Empty) ");
    EXPECT_TRUE(entries[0].grayed);
    Choose(entries[0].id);
    EXPECT_TRUE(shellCalls.empty());
}

TEST_F(BrowserMenusTest, TheMenusAreBuiltAgainWithTheMainMenuAndKeepNoDeadHandles) {
    test::TempDir fav;
    Url(fav / L"a.url", "http://a.example/");
    ASSERT_TRUE(CreateFolderTree(fav / L"News"));
    Url(fav / L"News\\b.url", "http://b.example/");
    Open();
    UseFavorites(fav.Path());
    // What builds the main menu again: the menu bar, the text size, the search
    // entry, a removable disk.
    const std::function<void()> rebuilds[] = {
        [&] { window->RunCommand(CmMenuBar); }, [&] { window->RunCommand(CmTextLarger); },
        [&] { window->RunCommand(CmSearch); },  [&] { window->RemovableDisks(false); },
        [&] { window->RunCommand(CmMenuBar); },
    };
    for (const auto& rebuild : rebuilds) {
        Opening(BrowserMenu());
        HMENU old = FavoritesMenu();
        std::vector<TShownEntry> entries = Entries(old);
        HMENU news = Find(entries, L"News") ? Find(entries, L"News")->submenu : nullptr;
        std::vector<TShownEntry> inside = OpenFolder(old, L"News");
        ASSERT_EQ(inside.size(), 1u);
        UINT b = inside[0].id;
        rebuild();
        EXPECT_FALSE(::IsMenu(old));
        EXPECT_NE(FavoritesMenu(), old);
        Choose(b);  // an entry of the old menu is gone with it
        EXPECT_TRUE(shellCalls.empty());
        Opening(news);  // a dead handle is not ours
        Opening(BrowserMenu());
        // In the folder's own order: its folders first.
        EXPECT_EQ(Captions(FavoritesMenu()), (std::vector<std::wstring>{L"News", L"a"}));
        std::vector<TShownEntry> fresh = Entries(FavoritesMenu());
        ASSERT_TRUE(Find(fresh, L"a"));
        Choose(Find(fresh, L"a")->id);
        EXPECT_EQ(Opened(), (std::vector<std::wstring>{L"open http://a.example/"}));
        shellCalls.clear();
    }
}

TEST_F(BrowserMenusTest, TheMenusCommandsHaveARangeNoOtherCommandOrControlUses) {
    Open();
    for (TMenuTable table : {TMenuTable::Main, TMenuTable::App, TMenuTable::More, TMenuTable::RecList,
                             TMenuTable::DocTree, TMenuTable::Shutdown, TMenuTable::FilterStartup}) {
        size_t count = 0;
        const TMenuEntry* entries = MenuTable(table, count);
        for (size_t i = 0; i < count; ++i) {
            EXPECT_FALSE(entries[i].id >= CmFavoritesMenu && entries[i].id <= CmHistoryLast &&
                         entries[i].id != CmFavoritesMenu && entries[i].id != CmHistoryMenu)
                << entries[i].id;
        }
    }
    for (HWND child = ::GetWindow(window->Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        auto id = static_cast<unsigned>(::GetDlgCtrlID(child));
        EXPECT_FALSE(id >= CmFavoritesMenu && id <= CmHistoryLast) << id;
    }
}

TEST_F(BrowserMenusTest, HistoryPagesOpenTheirAddressAndTheMenuFollowsTheFolderAfterAPage) {
    test::TRegisteredTestServer server(testserver::kTestHistoryFolderClass);
    ASSERT_TRUE(server.Ok());
    test::THistoryItems items({
        L"\tF\tToday\t",
        L"\tF\tLast Week\t",
        L"\tF\tEmpty Day\t",
        L"Today\tP\tZebra news\thttp://zebra.example/",
        L"Today\tP\tApple pie\thttp://apple.example/pie",
        L"Last Week\tF\texample.com\t",
        L"Last Week\\example.com\tP\tExample\thttp://example.com/",
    });
    Open();
    window->BrowserMenus().History().SetRoot([] {
        TShellRoot root;
        ::CoCreateInstance(testserver::kTestHistoryFolderClass, nullptr, CLSCTX_INPROC_SERVER, IID_IShellFolder,
                           reinterpret_cast<void**>(root.folder.GetAddressOf()));
        return root;
    });
    Opening(BrowserMenu());
    // The top level as the folder lists it, not sorted.
    EXPECT_EQ(Captions(HistoryMenu()), (std::vector<std::wstring>{L"Today", L"Last Week", L"Empty Day"}));
    std::vector<TShownEntry> top = Entries(HistoryMenu());
    ASSERT_EQ(top.size(), 3u);
    Opening(top[0].submenu);
    std::vector<TShownEntry> today = Entries(top[0].submenu);
    EXPECT_EQ(Captions(top[0].submenu), (std::vector<std::wstring>{L"Apple pie", L"Zebra news"}));  // sorted
    Opening(top[2].submenu);
    EXPECT_EQ(Captions(top[2].submenu), (std::vector<std::wstring>{L" (Empty) "}));
    Opening(top[1].submenu);
    std::vector<TShownEntry> pages = OpenFolder(top[1].submenu, L"example.com");
    ASSERT_EQ(pages.size(), 1u);
    UINT example = pages[0].id;
    EXPECT_GE(example, static_cast<UINT>(CmHistoryFirst));
    EXPECT_LE(example, static_cast<UINT>(CmHistoryLast));

    ASSERT_EQ(today.size(), 2u);
    Choose(today[0].id);
    EXPECT_EQ(Opened(), (std::vector<std::wstring>{L"open http://apple.example/pie"}));
    // The folder has changed since; the menu shows it the next time it opens.
    items.Set({L"\tF\tJust Now\t", L"\tF\tToday\t", L"Just Now\tP\tNew page\thttp://new.example/"});
    Opening(HistoryMenu());
    EXPECT_EQ(Captions(HistoryMenu()), (std::vector<std::wstring>{L"Just Now", L"Today"}));
    Choose(example);  // the old entries went with the rebuild
    EXPECT_EQ(shellCalls.size(), 1u);
    std::vector<TShownEntry> rebuilt = Entries(HistoryMenu());
    ASSERT_FALSE(rebuilt.empty());
    Opening(rebuilt[0].submenu);
    std::vector<TShownEntry> justNow = Entries(rebuilt[0].submenu);
    ASSERT_FALSE(justNow.empty());
    Choose(justNow[0].id);
    EXPECT_EQ(Opened().back(), L"open http://new.example/");
}

// ---- The update check ---------------------------------------------------------------

std::string UpdateXml(const std::string& version, const std::string& link) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<rss version=\"2.0\">\r\n  <channel>\r\n"
           "    <title>QuilMar</title>\r\n    <item>\r\n      <link>" +
           link + "</link>\r\n      <version>" + version + "</version>\r\n    </item>\r\n  </channel>\r\n</rss>\r\n";
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

class UpdateCheckTest : public ExtrasTest {
protected:
    std::set<std::wstring> tempBefore = FilesIn(TempFolder(), L"qmu*.tmp");
    bool TempFilesLeft() { return FilesIn(TempFolder(), L"qmu*.tmp") != tempBefore; }
    void PointAt(const std::wstring& address, DWORD deadlineMs = 5000) {
        window->UpdateCheck().Config().address = address;
        window->UpdateCheck().Config().deadlineMs = deadlineMs;
    }
};

TEST_F(UpdateCheckTest, ANewerVersionIsOfferedWithBothVersionsAndItsPageOpened) {
    test::THttpsServer server;
    ASSERT_TRUE(server.Ok()) << server.failure;
    ASSERT_TRUE(server.Serve(L"quilmar\\update.xml", UpdateXml("3.1", "https://www.quilmar.com/download")));
    Open();
    PointAt(server.Url(L"quilmar/update.xml"));
    window->RunCommand(CmCheckUpdate);
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"You have version 3.0. Version 3.1 is available from our web "
                                                   L"site.Do you want to download now?"}));
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(shellCalls[0].verb, L"open");
    EXPECT_EQ(shellCalls[0].file, L"https://www.quilmar.com/download");  // the address itself, not a parameter
    EXPECT_EQ(shellCalls[0].parameters, L"");
    EXPECT_FALSE(TempFilesLeft());
    // Cancel opens nothing.
    answer = IDCANCEL;
    window->RunCommand(CmCheckUpdate);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(shellCalls.size(), 1u);
    EXPECT_FALSE(TempFilesLeft());
}

TEST_F(UpdateCheckTest, TheStartAfterAnInstallationOffersANewerVersion) {
    test::THttpsServer server;
    ASSERT_TRUE(server.Ok()) << server.failure;
    ASSERT_TRUE(server.Serve(L"quilmar\\update.xml", UpdateXml("3.1", "https://www.quilmar.com/download")));
    Open({L"/install"}, [&] { PointAt(server.Url(L"quilmar/update.xml")); });
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(L"Version 3.1 is available"), std::wstring::npos);
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(shellCalls[0].file, L"https://www.quilmar.com/download");
    EXPECT_FALSE(TempFilesLeft());
}

TEST_F(UpdateCheckTest, NoUpdateAndDamagedFilesOpenNothingAndTheMenuCommandSaysWhich) {
    test::THttpsServer server;
    ASSERT_TRUE(server.Ok()) << server.failure;
    struct Case {
        const wchar_t* file;
        std::string content;
        std::wstring said;  // by the menu command
    };
    const std::wstring none = L"You have version 3.0, the newest version.";
    const Case cases[] = {
        {L"same.xml", UpdateXml("3.0", "https://www.quilmar.com/download"), none},
        {L"older.xml", UpdateXml("2.9", "https://www.quilmar.com/download"), none},
        {L"comma.xml", UpdateXml("3,1", "https://www.quilmar.com/download"), kUnreadableUpdate},
        {L"bad.xml", "<rss><channel><item><link>https://www.quilmar.com/</link><version>3.1</version>",
         kUnreadableUpdate},
        {L"file.xml", UpdateXml("3.1", "file:///C:/windows/system32/calc.exe"), kUnreadableUpdate},
        {L"other.xml", UpdateXml("3.1", "https://www.example.net/quilmar"), kUnreadableUpdate},
    };
    for (const Case& c : cases) ASSERT_TRUE(server.Serve(c.file, c.content));
    Open();
    for (const Case& c : cases) {
        PointAt(server.Url(c.file));
        messages.clear();
        EXPECT_NE(window->UpdateCheck().Run(window->Handle(), true), TUpdateOutcome::Offered) << c.file;
        EXPECT_TRUE(messages.empty()) << c.file;  // the start with "/install" says nothing
        window->RunCommand(CmCheckUpdate);
        EXPECT_EQ(messages, (std::vector<std::wstring>{c.said})) << c.file;
    }
    EXPECT_TRUE(shellCalls.empty());
    EXPECT_FALSE(TempFilesLeft());
}

TEST_F(UpdateCheckTest, AServerThatIsDownOrSilentLeavesTheInstallStartSilentAndTheWindowRunning) {
    test::TSilentServer silent;
    ASSERT_GT(silent.Port(), 0);
    int closedPort = 0;
    {
        test::TWinsock winsock;
        closedPort = test::FreeLocalPort();
    }
    struct Case {
        std::wstring address;
        const char* what;
    };
    const Case cases[] = {
        {L"https://127.0.0.1:" + std::to_wstring(closedPort) + L"/quilmar/update.xml", "down"},
        {L"https://127.0.0.1:" + std::to_wstring(silent.Port()) + L"/quilmar/update.xml", "silent"},
    };
    for (const Case& c : cases) {
        // A timer of the test's own ticks while the check waits: the window's
        // messages keep running.
        g_ticks = 0;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CountTick);
        Open({L"/install"}, [&] { PointAt(c.address, 1000); });
        ::KillTimer(nullptr, timer);
        EXPECT_TRUE(messages.empty()) << c.what;
        EXPECT_TRUE(shellCalls.empty()) << c.what;
        if (std::string(c.what) == "silent") {
            EXPECT_GT(g_ticks, 0) << "the window was held up while it waited";
        }
        EXPECT_FALSE(window->StartupInProgress());
        window->RunCommand(CmCheckUpdate);  // the menu command says it could not check
        EXPECT_EQ(messages, (std::vector<std::wstring>{kNoConnection})) << c.what;
        messages.clear();
        CloseWindow();
    }
    EXPECT_FALSE(TempFilesLeft());
}

TEST_F(UpdateCheckTest, AServerWhoseCertificateIsNotTrustedIsNotBelieved) {
    test::THttpsServer server(false);
    ASSERT_TRUE(server.Ok()) << server.failure;
    ASSERT_TRUE(server.Serve(L"quilmar\\update.xml", UpdateXml("3.1", "https://www.quilmar.com/download")));
    Open();
    PointAt(server.Url(L"quilmar/update.xml"));
    window->RunCommand(CmCheckUpdate);
    EXPECT_EQ(messages, (std::vector<std::wstring>{kNoConnection}));
    EXPECT_TRUE(shellCalls.empty());
}

TEST_F(UpdateCheckTest, OnlyAnHttpsUpdateAddressIsAsked) {
    Open();
    PointAt(L"http://127.0.0.1:1/quilmar/update.xml");
    EXPECT_EQ(window->UpdateCheck().Run(window->Handle(), false), TUpdateOutcome::CouldNotCheck);
    EXPECT_EQ(messages, (std::vector<std::wstring>{kNoConnection}));
}

}  // namespace
}  // namespace qm
