// The item launcher's rules, with the shell and every other outside effect
// recorded instead of made.
#include "replay/launcher.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>

#include "base/effects.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/pathutil.h"
#include "replay/runasadmin.h"
#include "support/tempdir.h"

namespace qm {
namespace {

const HWND kOwner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x10010));

std::wstring Expand(const wchar_t* text) {
    wchar_t out[1024] = {};
    ::ExpandEnvironmentStringsW(text, out, 1024);
    return out;
}

// One outside effect, written as text so the order of everything is one list:
// "shell <owner> <verb>|<file>|<parameters>|<show>", "message <text>", "help",
// "minimize", "special <csidl>", "winexec <command>|<show>",
// "runas <file>|<parameters>".
using TCalls = std::vector<std::wstring>;

std::wstring ShellText(HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                       int show) {
    return std::wstring(L"shell ") +
           (owner == kOwner ? L"owner "
            : owner         ? L"other "
                            : L"none ") +
           verb + L"|" + file + L"|" + parameters + L"|" + std::to_wstring(show);
}

class LauncherTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TCalls calls;
    // What the fake recogniser answers per title, and the path it rewrites to.
    std::map<std::wstring, std::pair<int, std::wstring>> recognised;
    TCalls recogniserSaw;
    std::map<std::wstring, std::wstring> associations;
    bool wow64 = false;
    std::optional<std::wstring> httpCommand, ieVersion;
    std::unique_ptr<TItemLauncher> launcher;

    void SetUp() override {
        saved_ = Effects().shellExecute;
        Effects().shellExecute = [this](HWND owner, const std::wstring& verb, const std::wstring& file,
                                        const std::wstring& parameters, int show) {
            calls.push_back(ShellText(owner, verb, file, parameters, show));
            return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
        };
        Make(L"windows 7", false);
    }
    void TearDown() override { Effects().shellExecute = saved_; }

    std::wstring ProgramFolder() const { return dir / L"prog\\"; }
    std::wstring UserFolder() const { return dir / L"user"; }

    TItemLauncher& Make(const std::wstring& version, bool startedAtWindowsStart) {
        TLauncherContext c;
        c.owner = kOwner;
        c.startedAtWindowsStart = startedAtWindowsStart;
        c.windowsVersion = version;
        c.documentsFolder = L"C:\\Users\\me\\Documents";
        c.userDataFolder = UserFolder();
        c.programFolder = ProgramFolder();
        c.showHelp = [this] { calls.push_back(L"help"); };
        c.showHint = [this](const std::wstring& p) { hints.push_back(p); };
        TLauncherSeams s;
        s.recognise = [this](std::wstring& title, std::wstring& path, bool launch) {
            recogniserSaw.push_back(title + L"|" + path + (launch ? L"|launch" : L"|classify"));
            auto it = recognised.find(title);
            if (it == recognised.end()) return 0;
            if (it->second.first == 2) title = path = it->second.second;
            return it->second.first;
        };
        s.winExec = [this](const std::string& command, UINT show) {
            calls.push_back(L"winexec " + AnsiToWide(command) + L"|" + std::to_wstring(show));
            return 33u;
        };
        s.message = [this](HWND owner, const std::wstring& text) {
            calls.push_back(std::wstring(L"message ") + (owner == kOwner ? L"" : L"(no owner) ") + text);
        };
        s.minimizeAll = [this] { calls.push_back(L"minimize"); };
        s.openSpecialFolder = [this](int csidl) { calls.push_back(L"special " + std::to_wstring(csidl)); };
        s.wow64 = [this] { return wow64; };
        s.httpCommand = [this] { return httpCommand; };
        s.ieVersion = [this] {
            ++ieVersionReads;
            return ieVersion;
        };
        s.runAs = [this](HWND owner, const std::wstring& file, const std::wstring& parameters) {
            calls.push_back(std::wstring(L"runas ") + (owner == kOwner ? L"" : L"(no owner) ") + file + L"|" +
                            parameters);
            return true;
        };
        s.associationLookup = [this](const std::wstring& path) {
            auto it = associations.find(path);
            return it != associations.end() ? it->second : AssociationLookup(path);
        };
        launcher = std::make_unique<TItemLauncher>(std::move(c), std::move(s));
        return *launcher;
    }

    TCalls hints;
    int ieVersionReads = 0;

private:
    decltype(TEffects::shellExecute) saved_;
};

std::wstring Shell(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters, int show,
                   HWND owner = kOwner) {
    return ShellText(owner, verb, file, parameters, show);
}

TEST_F(LauncherTest, OpenItemPathRulesInOrder) {
    std::wstring folder = dir / L"Folder A";
    std::wstring file = dir / L"a b.txt";
    ASSERT_TRUE(CreateFolderTree(folder));
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    std::wstring libraries = Expand(L"%AppData%\\Microsoft\\Windows\\Libraries");
    std::wstring viewer = Expand(L"%SystemRoot%\\system32\\shimgvw.dll,ImageView_Fullscreen");
    struct Case {
        std::wstring path;
        bool asGroup;
        TCalls expected;
    };
    const Case cases[] = {
        // "%20" is a blank before any rule looks at the path.
        {dir / L"Folder%20A", false, {Shell(L"explore", folder + L"\\", L"", SW_SHOWNORMAL)}},
        {dir / L"a%20b.txt", false, {Shell(L"open", file, L"", SW_SHOWNORMAL)}},
        {L"Libraries\\Documents", false, {Shell(L"Open", L"Explorer", libraries + L"\\Documents", SW_SHOWNORMAL)}},
        {L"libraries\\Music", false, {Shell(L"Open", L"Explorer", libraries + L"\\Music", SW_SHOWNORMAL)}},
        {L"C:\\Windows\\System32\\rundll32.exe C:\\Windows\\System32\\shimgvw.dll,ImageView_Fullscreen C:\\p.jpg",
         false,
         {Shell(L"open", L"rundll32.exe", viewer, SW_SHOWNORMAL)}},
        {L"Windows Photo Viewer", false, {Shell(L"open", L"rundll32.exe", viewer, SW_SHOWNORMAL)}},
        // The help program, whatever folder it is in, opens the program's own help.
        {L"D:\\Anywhere\\HH.EXE", false, {L"help"}},
        {L"C:\\windows\\hh.exe", false, {L"help"}},
        // Gone local paths, drive A included, are reported and not opened.
        {L"C:\\no\\such\\file.txt", false, {L"message Windows cannot find 'C:\\no\\such\\file.txt'."}},
        {L"Q:\\gone.doc", true, {L"message Windows cannot find 'Q:\\gone.doc'."}},
        {L"A:\\floppy.txt", false, {L"message Windows cannot find 'A:\\floppy.txt'."}},
        // Without a drive part: a web address (a group node opens its site).
        {L"example.com", false, {Shell(L"open", L"example.com", L"", SW_SHOW)}},
        {L"http://H/a/b", true, {Shell(L"open", L"http://H", L"", SW_SHOW)}},
        {L"http://H/a/b", false, {Shell(L"open", L"http://H/a/b", L"", SW_SHOW)}},
        {L"c:\\users\\me\\documents\\x\\gone.txt",
         false,
         {L"message Windows cannot find 'c:\\users\\me\\documents\\x\\gone.txt'."}},
        {L"\\\\server\\share\\x.txt", false, {Shell(L"open", L"\\\\server\\share\\x.txt", L"", SW_SHOW)}},
    };
    for (const Case& c : cases) {
        calls.clear();
        launcher->OpenItemPath(c.path, c.asGroup);
        EXPECT_EQ(calls, c.expected) << c.path;
    }
}

TEST_F(LauncherTest, ShortcutsByWindowsVersionAndWow64) {
    const std::wstring link = L"C:\\Links\\App \u4E2D.LNK";
    struct Case {
        const wchar_t* version;
        bool wow64;
        TCalls expected;
    };
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring explorer = std::wstring(windows) + L"\\explorer.exe", quoted = L"\"" + link + L"\"";
    const Case cases[] = {
        {L"windows 7",
         true,
         {Shell(L"open", ProgramFolder() + L"QuilmarOpen64Link.exe", quoted, SW_SHOWNORMAL, nullptr)}},
        {L"windows vista",
         true,
         {Shell(L"open", ProgramFolder() + L"QuilmarOpen64Link.exe", quoted, SW_SHOWNORMAL, nullptr)}},
        {L"windows 7", false, {Shell(L"open", explorer, quoted, SW_HIDE, nullptr)}},
        {L"windows vista", false, {Shell(L"open", explorer, quoted, SW_HIDE, nullptr)}},
        {L"windows xp", false, {Shell(L"open", link, L"", SW_SHOWNORMAL)}},
        {L"windows xp", true, {Shell(L"open", link, L"", SW_SHOWNORMAL)}},
    };
    for (const Case& c : cases) {
        test::RemoveTree(UserFolder());
        Make(c.version, false);
        wow64 = c.wow64;
        calls.clear();
        launcher->OpenItemPath(link, false);
        EXPECT_EQ(calls, c.expected) << c.version << " wow64 " << c.wow64;
        // Only the link opener gets the hand-off file: the link's path as its one line.
        std::optional<std::vector<std::wstring>> handoff = ReadListFile(JoinPath(UserFolder(), L"open64link.txt"));
        bool opener = c.expected[0].find(L"QuilmarOpen64Link") != std::wstring::npos;
        ASSERT_EQ(handoff.has_value(), opener) << c.version;
        if (opener) {
            EXPECT_EQ(*handoff, std::vector<std::wstring>{link});
            std::string bytes = ReadFileBytes(JoinPath(UserFolder(), L"open64link.txt")).value();
            EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
            EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\r\0\n\0", 4));
        }
    }
}

TEST_F(LauncherTest, NoMessagesWhileStartedAtWindowsStart) {
    Make(L"windows 7", true);
    launcher->OpenItemPath(L"C:\\no\\such\\file.txt", false);
    launcher->OpenItemPath(L"Q:\\x", false);
    EXPECT_TRUE(calls.empty());
}

TEST_F(LauncherTest, OpenWebAddressAsksForAnOldBrowserOnlyWhenTheHandlerIsIE) {
    const std::wstring ie = L"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE";
    const std::wstring address = L"http://\u4F8B\u3048.jp/\u00E4";
    struct Case {
        std::optional<std::wstring> command;
        std::optional<std::wstring> version;
        bool old;
        bool versionRead;
    };
    const Case cases[] = {
        {std::nullopt, L"6", false, false},
        {L"", L"6", false, false},
        {L"\"" + ie + L"\" -nohome", L"6", true, true},
        {L"\"" + ie + L"\" -nohome", L"9", false, true},
        {L"\"" + ie + L"\" -nohome", std::nullopt, false, true},  // the version key does not open
        // A missing or garbled version counts as a current browser; the page still opens.
        {L"\"" + ie + L"\" -nohome", L"", false, true},
        {L"\"" + ie + L"\" -nohome", L"garbage", false, true},
        {L"\"C:\\Apps\\firefox.exe\" -osint -url \"%1\"", L"6", false, false},
        {L"winebrowser \"%1\"", L"6", false, false},
        {L"\"" + ie, L"5", true, true},  // no closing quote: the rest is the program
    };
    for (const Case& c : cases) {
        httpCommand = c.command;
        ieVersion = c.version;
        calls.clear();
        ieVersionReads = 0;
        EXPECT_EQ(launcher->OpenWebAddress(address), c.old) << c.command.value_or(L"(none)");
        TCalls expected{c.old ? Shell(L"open", ie, address, SW_SHOW) : Shell(L"open", address, L"", SW_SHOW)};
        EXPECT_EQ(calls, expected) << c.command.value_or(L"(none)");
        EXPECT_EQ(ieVersionReads > 0, c.versionRead) << c.command.value_or(L"(none)");
    }
}

TEST(LauncherText, OldBrowserVersionInTheUsersNumberFormat) {
    struct Case {
        const wchar_t* text;
        wchar_t separator;
        bool old;
    };
    const Case cases[] = {
        {L"6", L'.', true},       {L"6.5", L'.', true},  {L" 5 ", L'.', true},       {L"7", L'.', false},
        {L"7.0000", L'.', false}, {L"11", L'.', false},  {L"6,5", L',', true},       {L"6.5", L',', false},
        {L"", L'.', false},       {L"abc", L'.', false}, {L"6.0.2900", L'.', false}, {L".", L'.', false},
        {L"06.99", L'.', true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsOldBrowserVersion(c.text, c.separator), c.old) << c.text;
}

TEST(LauncherText, FolderPartAndFileName) {
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\a\\b.txt", L"C:\\a\\", L"b.txt"},
        {L"C:b.txt", L"C:", L"b.txt"},
        {L"\\\\srv\\share\\x", L"\\\\srv\\share\\", L"x"},
        {L"http://h/p/q", L"http:", L"//h/p/q"},
        {L"plain", L"", L"plain"},
    };
    for (auto [path, folder, name] : cases) {
        EXPECT_EQ(LocationFolderOf(path), folder) << path;
        EXPECT_EQ(PathFileName(path), name) << path;
    }
}

TEST_F(LauncherTest, OpenItemForEnterAndSpace) {
    std::wstring folder = dir / L"Folder";
    std::wstring file = dir / L"doc.txt";
    std::wstring upperLink = dir / L"App.LNK";
    ASSERT_TRUE(CreateFolderTree(folder));
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    ASSERT_TRUE(WriteFileReplacing(upperLink, "x"));
    recognised[L"My Computer"] = {1, L""};
    recognised[L"Viewer window"] = {2, L"Windows Photo Viewer"};
    std::wstring viewer = Expand(L"%SystemRoot%\\system32\\shimgvw.dll,ImageView_Fullscreen");
    struct Case {
        std::wstring path;
        std::wstring title;
        TCalls expected;
    };
    const Case cases[] = {
        {L"C:\\windows\\explorer.exe", L"My Computer", {}},    // the recogniser opened the place
        {L"C:\\windows\\explorer.exe", L"Viewer window", {}},  // ... and the viewer
        {L"C:\\windows\\explorer.exe", L"\u684C\u9762", {L"minimize"}},
        {L"C:\\windows\\explorer.exe", L"\u7F51\u4E0A\u90BB\u5C45", {L"special 18"}},
        {L"C:\\windows\\explorer.exe",
         L"\u63A7\u5236\u9762\u677F",
         {L"winexec rundll32.exe   shell32.dll,Control_RunDLL|9"}},
        {L"HTTP://Example.com/a", L"page", {Shell(L"open", L"HTTP://Example.com/a", L"", SW_SHOWNORMAL)}},
        {L"res://ieframe.dll/navcancl.htm", L"x", {}},
        {L"C:\\x\\app.lnk", L"app", {Shell(L"", L"C:\\x\\app.lnk", L"", SW_SHOWNORMAL)}},
        {upperLink, L"App", {Shell(L"open", upperLink, L"", SW_SHOWNORMAL)}},
        {file, L"doc", {Shell(L"open", file, L"", SW_SHOWNORMAL)}},
        {L"example.com", L"site", {Shell(L"open", L"http://example.com", L"", SW_SHOWNORMAL)}},
        {folder, L"Folder", {Shell(L"explore", ToLower(folder + L"\\"), L"", SW_SHOWNORMAL)}},
        {L"C:\\nothere", L"gone", {}},
        {L"C:\\gone\\file.txt", L"gone", {}},
        {L"Windows Photo Viewer", L"Windows Photo Viewer", {Shell(L"open", L"rundll32.exe", viewer, SW_SHOWNORMAL)}},
    };
    for (const Case& c : cases) {
        calls.clear();
        launcher->OpenItem(c.path, c.title);
        EXPECT_EQ(calls, c.expected) << c.path << L" " << c.title;
    }
    recogniserSaw.clear();
    launcher->OpenItem(L"", L"My Computer");
    EXPECT_TRUE(recogniserSaw.empty());  // an empty path is not even recognised
}

TEST_F(LauncherTest, OpenItemsLetTheRecogniserGoFirst) {
    recognised[L"My Computer"] = {1, L""};
    recognised[L"Photo"] = {2, L"Windows Photo Viewer"};
    std::wstring viewer = Expand(L"%SystemRoot%\\system32\\shimgvw.dll,ImageView_Fullscreen");
    launcher->OpenItems({{L"http://site/a/b", L"site", true},
                         {L"C:\\windows\\explorer.exe", L"My Computer", false},
                         {L"C:\\windows\\explorer.exe", L"Photo", false},
                         {L"http://site/a/b", L"page", false}});
    EXPECT_EQ(calls, (TCalls{Shell(L"open", L"http://site", L"", SW_SHOW),
                             Shell(L"open", L"rundll32.exe", viewer, SW_SHOWNORMAL),
                             Shell(L"open", L"http://site/a/b", L"", SW_SHOW)}));
    EXPECT_EQ(recogniserSaw.size(), 4u);
    EXPECT_EQ(recogniserSaw[0], L"site|http://site/a/b|launch");
}

TEST_F(LauncherTest, ElevationCommands) {
    std::wstring folder = dir / L"Folder";
    std::wstring file = dir / L"doc.txt";
    ASSERT_TRUE(CreateFolderTree(folder));
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    recognised[L"My Computer"] = {1, L""};
    associations[L"C:\\d\\pic.jpg"] = L"rundll32.exe %SystemRoot%\\system32\\shimgvw.dll,ImageView_Fullscreen %1";
    associations[L"C:\\d\\n.txt"] = L"\"C:\\windows\\system32\\notepad.exe\" \"%1\"";
    std::wstring viewer = Expand(L"%SystemRoot%\\system32\\shimgvw.dll,ImageView_Fullscreen");
    std::wstring admin = ProgramFolder() + L"quilmaradmin.exe";
    struct Case {
        const char* command;
        std::function<void(TItemLauncher&)> run;
        TCalls expected;
    };
    const Case cases[] = {
        {"Run as admin",
         [](TItemLauncher& l) {
             l.RunItemsAsAdmin({{L"C:\\apps\\tool.exe", L"tool"},
                                {L"C:\\windows\\explorer.exe", L"My Computer"},
                                {L"C:\\d\\n.txt", L"n"}});
         },
         {L"runas C:\\apps\\tool.exe|", L"runas C:\\d\\n.txt|"}},
        {"Open as admin",
         [](TItemLauncher& l) {
             l.OpenItemsAsAdmin({{L"C:\\d\\n.txt", L"n"},
                                 {L"C:\\apps\\tool.exe", L"tool"},
                                 {L"C:\\apps\\run.bat", L"run"},
                                 {L"C:\\d\\pic.jpg", L"pic"},
                                 {L"C:\\d\\unknown.qmxyz", L"u"}});
         },
         {L"runas C:\\windows\\system32\\notepad.exe|C:\\d\\n.txt", L"runas C:\\apps\\tool.exe|C:\\apps\\tool.exe",
          L"runas C:\\apps\\run.bat|C:\\apps\\run.bat", L"runas rundll32.exe|" + viewer + L" C:\\d\\pic.jpg",
          Shell(L"open", admin, L"C:\\d\\unknown.qmxyz", SW_SHOWNORMAL)}},
        {"Open with (admin)",
         [](TItemLauncher& l) {
             l.OpenWithAdmin({L"C:\\d\\n.txt", L"n"});
         },
         {Shell(L"open", admin, L"C:\\d\\n.txt", SW_SHOWNORMAL)}},
        {"Open with",
         [](TItemLauncher& l) {
             l.OpenWith({L"C:\\d\\a b.txt", L"a"});
         },
         {Shell(L"open", L"rundll32.exe", L"shell32.dll,OpenAs_RunDLL C:\\d\\a b.txt", SW_SHOWNORMAL)}},
        {"Open with a program",
         [](TItemLauncher& l) {
             l.OpenWith({L"C:\\d\\tool.EXE", L"t"});
         },
         {}},
        {"Open file location",
         [&](TItemLauncher& l) {
             l.OpenItemLocations({{folder, L"Folder"}, {file, L"doc"}, {L"Q:\\x\\y.txt", L"y"}, {L"plain", L"p"}});
         },
         {Shell(L"explore", ToLower(folder), L"", SW_SHOWNORMAL),
          Shell(L"explore", ToLower(dir.Path() + L"\\"), L"", SW_SHOWNORMAL)}},
    };
    for (const Case& c : cases) {
        calls.clear();
        c.run(*launcher);
        EXPECT_EQ(calls, c.expected) << c.command;
    }
}

TEST_F(LauncherTest, SelectedItemsInSelectionOrderWithTheirPathsShown) {
    TRecordModel model;
    auto add = [&](TTreeNode* parent, const wchar_t* text, const wchar_t* path) {
        int index = model.items.Append();
        model.items.At(index).path = path;
        return model.all.Add(parent, text, index);
    };
    TTreeNode* group = add(nullptr, L"b group", L"C:\\g\\prog.exe");
    TTreeNode* child = add(group, L"doc", L"C:\\g\\doc.txt");
    TTreeNode* single = add(nullptr, L"a single", L"C:\\s.txt");
    TTreeNode* broken = model.all.Add(nullptr, L"c broken", 99);
    model.all.Select(child, true);
    model.all.Select(broken, true);
    model.all.Select(group, true);
    model.all.SetFocused(single);  // focused but not selected
    std::vector<TLaunchItem> items = launcher->SelectedItems(&model.all, model.items);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].path, L"C:\\g\\doc.txt");
    EXPECT_FALSE(items[0].hasChildren);
    EXPECT_EQ(items[1].path, L"");  // an index outside the table reads as an empty path
    EXPECT_EQ(items[1].title, L"c broken");
    EXPECT_EQ(items[2].title, L"b group");
    EXPECT_TRUE(items[2].hasChildren);
    EXPECT_EQ(hints, (TCalls{L"C:\\g\\doc.txt", L"", L"C:\\g\\prog.exe"}));

    // The current item: the focused node when it is selected, else the last selected.
    EXPECT_EQ(launcher->CurrentItem(&model.all, model.items)->title, L"b group");
    model.all.Select(single, true);
    model.all.Select(group, false);
    model.all.SetFocused(child);
    EXPECT_EQ(launcher->CurrentItem(&model.all, model.items)->title, L"doc");
    model.all.ClearSelection();
    EXPECT_FALSE(launcher->CurrentItem(&model.all, model.items).has_value());
    EXPECT_TRUE(launcher->SelectedItems(nullptr, model.items).empty());
    EXPECT_FALSE(launcher->CurrentItem(nullptr, model.items).has_value());
}

TEST(RunAsAdmin, IsAdminUnderWineAndAskedOnce) {
    EXPECT_TRUE(TRunAsAdmin().IsAdmin());  // the Wine user is an administrator
    int asked = 0;
    TRunAsAdmin cached({}, [&] {
        ++asked;
        return true;
    });
    EXPECT_TRUE(cached.IsAdmin());
    EXPECT_TRUE(cached.IsAdmin());
    EXPECT_EQ(asked, 1);
    TRunAsAdmin failing({}, []() -> bool { throw std::runtime_error("token"); });
    EXPECT_FALSE(failing.IsAdmin());
}

TEST(RunAsAdmin, RunAsMakesTheExactShellCall) {
    struct Seen {
        DWORD size, mask;
        HWND owner;
        std::wstring verb, file;
        bool hasParameters;
        std::wstring parameters;
        int show;
    };
    std::vector<Seen> seen;
    BOOL answer = TRUE;
    TRunAsAdmin runAs([&](SHELLEXECUTEINFOW* info) {
        seen.push_back({info->cbSize, info->fMask, info->hwnd, info->lpVerb, info->lpFile,
                        info->lpParameters != nullptr, info->lpParameters ? info->lpParameters : L"", info->nShow});
        return answer;
    });
    EXPECT_TRUE(runAs.RunAs(kOwner, L"C:\\apps\\tool.exe", L""));
    answer = FALSE;  // the user refused the elevation prompt
    EXPECT_FALSE(runAs.RunAs(nullptr, L"C:\\windows\\notepad.exe", L"C:\\d\\n.txt"));
    ASSERT_EQ(seen.size(), 2u);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.size, sizeof(SHELLEXECUTEINFOW));
        EXPECT_EQ(s.mask, 0x500u);
        EXPECT_EQ(s.verb, L"runas");
        EXPECT_EQ(s.show, SW_SHOWNORMAL);
    }
    EXPECT_EQ(seen[0].owner, kOwner);
    EXPECT_EQ(seen[0].file, L"C:\\apps\\tool.exe");
    EXPECT_FALSE(seen[0].hasParameters);
    EXPECT_EQ(seen[1].owner, nullptr);
    EXPECT_TRUE(seen[1].hasParameters);
    EXPECT_EQ(seen[1].parameters, L"C:\\d\\n.txt");
}

}  // namespace
}  // namespace qm
