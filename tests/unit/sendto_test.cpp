// Sending items out of a record: names made safe, shortcuts that never replace
// a file, the export of a record as a folder of shortcuts, and the copies,
// with real shell links and files and the shell's copy recorded.
#include "replay/sendto.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "base/com.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using Microsoft::WRL::ComPtr;

struct TLinkRead {
    std::wstring target, workingFolder;
};

// What a shortcut file points at, as the shell reads it back.
std::optional<TLinkRead> ReadLink(const std::wstring& path) {
    TComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return std::nullopt;
    wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    return TLinkRead{target, folder};
}

std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    unique_hfind f(::FindFirstFileW(JoinPath(folder, L"*").c_str(), &fd));
    if (!f) return out;
    do {
        std::wstring n = fd.cFileName;
        if (n != L"." && n != L"..") out.push_back(n);
    } while (::FindNextFileW(f.get(), &fd));
    std::sort(out.begin(), out.end());
    return out;
}

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

TEST(SafeFileName, EveryNameCanBeAFileAndStaysReadable) {
    struct Case {
        const wchar_t* text;
        const wchar_t* safe;
    };
    const Case cases[] = {
        {L"a/b:c", L"a_b_c"},
        {L"\\/:*?\"<>|", L"_________"},
        {L"Report \u00DCbersicht \u65E5\u672C", L"Report \u00DCbersicht \u65E5\u672C"},
        {L"tab\there\r\n", L"tab_here__"},
        {L"trailing. . ", L"trailing"},
        {L"..", L"_"},
        {L".", L"_"},
        {L"", L"_"},
        {L"..\\..\\evil", L".._.._evil"},
        {L"CON", L"_CON"},
        {L"nul.txt", L"_nul.txt"},
        {L"com1", L"_com1"},
        {L"Console", L"Console"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SafeFileName(c.text), c.safe) << WideToUtf8(c.text);
        EXPECT_TRUE(IsValidFileName(SafeFileName(c.text) + L".lnk")) << WideToUtf8(c.text);
    }
    std::wstring longName = SafeFileName(std::wstring(300, L'x') + L"\U0001F600");
    EXPECT_LE(longName.size(), 200u);
    EXPECT_TRUE(IsValidFileName(longName + L" (9999).lnk"));
    // A cut never leaves half a surrogate pair.
    std::wstring pairs;
    for (int i = 0; i < 150; ++i) pairs += L"\U0001F600";
    std::wstring cut = SafeFileName(pairs);
    EXPECT_FALSE(IS_HIGH_SURROGATE(cut.back()));
}

TEST(CreateShortcut, ATakenNameGetsACounterAndNothingIsReplaced) {
    test::TempDir dir;
    std::wstring target = dir / L"tools\\editor \u00E9.exe";
    ASSERT_TRUE(CreateFolderTree(dir / L"tools"));
    ASSERT_TRUE(WriteFileReplacing(target, "MZ"));
    ASSERT_TRUE(WriteFileReplacing(dir / L"a_b_c (2).lnk", "mine"));  // the user's own file
    std::vector<std::wstring> written;
    for (int i = 0; i < 3; ++i) {
        std::wstring path;
        ASSERT_EQ(CreateShortcut(target, L"a/b:c", dir.Path(), &path), S_OK);
        written.push_back(FileNameOf(path));
        auto link = ReadLink(path);
        ASSERT_TRUE(link.has_value());
        EXPECT_TRUE(EqualsNoCase(link->target, target)) << WideToUtf8(link->target);
        EXPECT_TRUE(EqualsNoCase(link->workingFolder, dir / L"tools\\") ||
                    EqualsNoCase(link->workingFolder, dir / L"tools"))
            << WideToUtf8(link->workingFolder);
    }
    EXPECT_EQ(written, (std::vector<std::wstring>{L"a_b_c.lnk", L"a_b_c (3).lnk", L"a_b_c (4).lnk"}));
    EXPECT_EQ(ReadFileBytes(dir / L"a_b_c (2).lnk").value(), "mine");
}

TEST(CreateShortcut, AFolderThatCannotHoldFilesIsAFailure) {
    test::TempDir dir;
    ASSERT_TRUE(WriteFileReplacing(dir / L"not a folder", "x"));
    EXPECT_TRUE(FAILED(CreateShortcut(L"C:\\windows\\notepad.exe", L"pad", dir / L"not a folder")));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::wstring>{L"not a folder"});
}

// A record as the model holds it, built from (text, path, children).
struct TNodeSpec {
    std::wstring text, path;
    std::vector<TNodeSpec> children = {};
};

void Build(TRecordModel& model, const std::vector<TNodeSpec>& nodes, TTreeNode* parent = nullptr) {
    for (const TNodeSpec& n : nodes) {
        int index = model.items.Append();
        model.items.At(index).path = n.path;
        model.items.At(index).title = n.text;
        TTreeNode* node = model.all.Add(parent, n.text, index);
        Build(model, n.children, node);
    }
}

class SendToTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::vector<std::wstring> calls;
    std::unique_ptr<TEffectsOverride> effects;
    std::wstring desktop = dir / L"Desktop";
    std::wstring help = dir / L"prog\\QuilMar.chm";
    std::wstring failingName;  // the shortcut of this name cannot be written

    void SetUp() override {
        CreateFolderTree(desktop);
        TEffects e;
        e.shellExecute = [this](HWND, const std::wstring& verb, const std::wstring& file, const std::wstring&, int) {
            calls.push_back(L"shell " + verb + L" " + file);
            return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
        };
        e.winExec = [](const std::string&, UINT) { return 33u; };
        e.messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            calls.push_back(L"message " + text);
            return IDOK;
        };
        effects = std::make_unique<TEffectsOverride>(std::move(e));
    }

    TSendTo Make() {
        TSendToSeams s;
        s.copy = [this](HWND, const std::wstring& from, const std::wstring& to) {
            calls.push_back(L"copy " + from + L" > " + to);
            return true;
        };
        s.folderPath = [this](int csidl) { return csidl == CSIDL_DESKTOP ? desktop : dir / L"Documents"; };
        s.removableRoots = [] { return std::vector<std::wstring>{L"E:\\", L"F:\\"}; };
        s.toggleDesktop = [this] { calls.push_back(L"toggle desktop"); };
        s.shortcut = [this](const std::wstring& target, const std::wstring& name, const std::wstring& folder) {
            if (name == failingName) return E_ACCESSDENIED;
            return CreateShortcut(target, name, folder);
        };
        return TSendTo(std::move(s), help);
    }
};

TEST_F(SendToTest, DesktopShortcutsGetSafeFreeNamesAndShellPlacesNone) {
    std::wstring file = dir / L"notes.txt";
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    TSendTo sendTo = Make();
    std::vector<TLaunchItem> items = {
        {file, L"a/b:c", false}, {L"C:\\windows\\explorer.exe", L"My Computer", false}, {file, L"a/b:c", false}};
    TSendReport report = sendTo.SendToDesktop(items, true);
    EXPECT_TRUE(report.Ok());
    EXPECT_EQ(Names(desktop), (std::vector<std::wstring>{L"a_b_c (2).lnk", L"a_b_c.lnk"}));
    EXPECT_EQ(calls, std::vector<std::wstring>{L"toggle desktop"});
    calls.clear();
    sendTo.SendToDesktop({{file, L"again", false}}, false);
    EXPECT_TRUE(calls.empty());
}

TEST_F(SendToTest, CopiesTakeFilesAndFoldersUnderTheirNamesAndSaySoForTheRest) {
    std::wstring file = dir / L"Report \u00FC.docx", folder = dir / L"Project\\";
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    ASSERT_TRUE(CreateFolderTree(folder));
    TSendTo sendTo = Make();
    std::wstring docs = dir / L"Documents";
    ASSERT_TRUE(CreateFolderTree(docs));
    TSendReport report = sendTo.SendToFolder({{file, L"Report", false},
                                              {L"http://example.test/", L"Example", false},
                                              {folder, L"Project", true},
                                              {dir / L"gone.txt", L"Gone", false}},
                                             docs, true, nullptr);
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"copy " + file + L" > " + docs + L"\\Report \u00FC.docx",
                                                L"copy " + folder + L" > " + docs + L"\\Project",
                                                L"shell explore " + ToLower(docs)}));
    EXPECT_EQ(report.failures,
              (std::vector<std::wstring>{L"Example: not a file or folder", L"Gone: not a file or folder"}));
    EXPECT_EQ(sendTo.RemovableRoot(), L"F:\\");
}

TEST_F(SendToTest, PasteCopiesEachFileIntoEveryFolderItemAndOpensTheLast) {
    std::wstring a = dir / L"A\\", b = dir / L"B";
    ASSERT_TRUE(CreateFolderTree(a));
    ASSERT_TRUE(CreateFolderTree(b));
    std::wstring file = dir / L"x.txt";
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    TSendTo sendTo = Make();
    sendTo.PasteIntoFolders({{a, L"A", false}, {file, L"x", false}, {b, L"B", false}}, {file, dir / L"sub\\"}, true,
                            nullptr);
    EXPECT_EQ(calls, (std::vector<std::wstring>{
                         L"copy " + file + L" > " + a + L"x.txt", L"copy " + dir / L"sub\\" + L" > " + a + L"sub",
                         L"copy " + file + L" > " + b + L"\\x.txt", L"copy " + dir / L"sub\\" + L" > " + b + L"\\sub",
                         L"shell explore " + ToLower(b)}));
    calls.clear();
    sendTo.PasteIntoFolders({{a, L"A", false}}, {}, true, nullptr);  // nothing on the clipboard: nothing at all
    EXPECT_TRUE(calls.empty());
}

TEST_F(SendToTest, TheShellReallyCopiesAFile) {
    TSendToSeams real = TSendToSeams::Real();
    std::wstring from = dir / L"\u03A9mega.txt", to = dir / L"into\\\u03A9mega.txt";
    ASSERT_TRUE(WriteFileReplacing(from, "payload"));
    ASSERT_TRUE(CreateFolderTree(dir / L"into"));
    EXPECT_TRUE(real.copy(nullptr, from, to));
    EXPECT_EQ(ReadFileBytes(to).value_or(""), "payload");
}

TEST_F(SendToTest, ExportMakesAFolderOfShortcutsWithItsIcon) {
    std::wstring docs = dir / L"docs", folder = dir / L"Music";
    ASSERT_TRUE(CreateFolderTree(docs));
    ASSERT_TRUE(CreateFolderTree(folder));
    TRecordModel model;
    Build(model,
          {{L"Editor", L"C:\\Tools\\editor.exe", {{L"a.txt", docs + L"\\a.txt"}, {L"b/c.txt", docs + L"\\b.txt"}}},
           {L"Music", folder},
           {L"Help", L"C:\\Windows\\HH.EXE"},
           {L"Example", L"http://example.test/page"}});
    std::wstring target = dir / L"target";
    TSendTo sendTo = Make();
    TExportResult r = sendTo.ExportRecord(model.all, model.items, {target, L"QuilMar", true, false}, nullptr);
    EXPECT_TRUE(r.report.Ok()) << WideToUtf8(r.report.failures.empty() ? L"" : r.report.failures[0]);
    std::wstring out = target + L"\\QuilMar";
    ASSERT_TRUE(EqualsNoCase(r.folder, out)) << WideToUtf8(r.folder);
    EXPECT_EQ(Names(out),
              (std::vector<std::wstring>{L"Desktop.ini", L"Editor", L"Example.lnk", L"Help.lnk", L"Music.lnk"}));
    EXPECT_EQ(Names(out + L"\\Editor"), (std::vector<std::wstring>{L"a.txt.lnk", L"b_c.txt.lnk"}));
    EXPECT_TRUE(EqualsNoCase(ReadLink(out + L"\\Editor\\b_c.txt.lnk")->target, docs + L"\\b.txt"));
    EXPECT_TRUE(EqualsNoCase(ReadLink(out + L"\\Music.lnk")->target, folder));
    EXPECT_TRUE(EqualsNoCase(ReadLink(out + L"\\Help.lnk")->target, help));  // "hh.exe" is the program's help

    std::wstring ini = out + L"\\Desktop.ini";
    std::string bytes = ReadFileBytes(ini).value();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    wchar_t windir[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"Windir", windir, MAX_PATH);
    EXPECT_EQ(ReadListFile(ini).value(),
              (std::vector<std::wstring>{L"[.ShellClassInfo]",
                                         L"IconFile = " + std::wstring(windir) + L"\\system32\\SHELL32.DLL",
                                         L"IconIndex = 38", L"InfoTip = This is folder with icon"}));
    EXPECT_TRUE(Attributes(ini) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(Attributes(ini) & FILE_ATTRIBUTE_SYSTEM);
    // The read-only bit marks the folder as one with a Desktop.ini, where the
    // file system keeps that bit on folders (Wine's does not).
    std::wstring probe = dir / L"probe";
    ASSERT_TRUE(CreateFolderTree(probe));
    ::SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    if (Attributes(probe) & FILE_ATTRIBUTE_READONLY) {
        EXPECT_TRUE(Attributes(out) & FILE_ATTRIBUTE_READONLY);
        ::SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    // The target folder is explored afterwards, not the export folder.
    EXPECT_EQ(calls, std::vector<std::wstring>{L"shell explore " + target});
    ::SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SendToTest, ExportIntoAFolderWithFilesKeepsThemAndItsOwnIcon) {
    std::wstring target = dir / L"full";
    ASSERT_TRUE(CreateFolderTree(target + L"\\QuilMar"));
    ASSERT_TRUE(WriteListFile(target + L"\\QuilMar\\Desktop.ini", {L"[.ShellClassInfo]", L"IconIndex = 3"}));
    ASSERT_TRUE(WriteFileReplacing(target + L"\\QuilMar\\mine.txt", "keep"));
    ASSERT_TRUE(WriteFileReplacing(target + L"\\Desktop.ini", "the target's own"));
    DWORD before = Attributes(target);
    TRecordModel model;
    // A title that names a way out of the export folder stays inside it.
    Build(model, {{L"..\\..\\outside", L"C:\\Tools\\x.exe", {{L"child", L"C:\\docs\\c.txt"}}}});
    TSendTo sendTo = Make();
    TExportResult r = sendTo.ExportRecord(model.all, model.items, {target, L"QuilMar", false, false}, nullptr);
    EXPECT_TRUE(r.report.Ok());
    EXPECT_TRUE(EqualsNoCase(r.folder, target + L"\\QuilMar (2)")) << WideToUtf8(r.folder);
    EXPECT_EQ(Names(target), (std::vector<std::wstring>{L"Desktop.ini", L"QuilMar", L"QuilMar (2)"}));
    EXPECT_EQ(ReadFileBytes(target + L"\\Desktop.ini").value(), "the target's own");
    EXPECT_EQ(Attributes(target), before);
    EXPECT_EQ(ReadListFile(target + L"\\QuilMar\\Desktop.ini").value(),
              (std::vector<std::wstring>{L"[.ShellClassInfo]", L"IconIndex = 3"}));
    EXPECT_EQ(ReadFileBytes(target + L"\\QuilMar\\mine.txt").value(), "keep");
    EXPECT_EQ(Names(r.folder + L"\\.._.._outside"), std::vector<std::wstring>{L"child.lnk"});
    EXPECT_TRUE(calls.empty());  // not opened afterwards
    ::SetFileAttributesW(r.folder.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SendToTest, AnExportThatCannotBeMadeSaysWhatFailed) {
    std::wstring blocked = dir / L"a file";
    ASSERT_TRUE(WriteFileReplacing(blocked, "x"));
    TRecordModel model;
    Build(model, {{L"one", L"C:\\one.exe"}});
    TSendTo sendTo = Make();
    TExportResult r = sendTo.ExportRecord(model.all, model.items, {blocked, L"QuilMar", true, false}, nullptr);
    EXPECT_TRUE(r.folder.empty());
    ASSERT_EQ(r.report.failures.size(), 1u);
    EXPECT_TRUE(StartsWith(r.report.failures[0], blocked)) << WideToUtf8(r.report.failures[0]);
    EXPECT_TRUE(calls.empty());
    ShowSendReport(nullptr, L"The record could not be sent:", r.report);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], L"message The record could not be sent:\n" + r.report.failures[0]);
}

TEST_F(SendToTest, APartialExportGoesOnAndSaysWhatFailed) {
    TRecordModel model;
    // "x" comes first and takes "x.lnk"; the group "x.lnk" then gets a folder of another name.
    Build(model, {{L"x", L"C:\\x.exe"},
                  {L"x.lnk", L"C:\\Tools\\x.exe", {{L"locked", L"C:\\docs\\l.txt"}, {L"fine", L"C:\\docs\\f.txt"}}},
                  {L"z", L"C:\\z.exe"}});
    failingName = L"locked";
    TSendTo sendTo = Make();
    TExportResult r = sendTo.ExportRecord(model.all, model.items, {dir / L"out", L"QuilMar", false, false}, nullptr);
    EXPECT_EQ(Names(r.folder), (std::vector<std::wstring>{L"Desktop.ini", L"x.lnk", L"x.lnk (2)", L"z.lnk"}));
    EXPECT_EQ(Names(r.folder + L"\\x.lnk (2)"), std::vector<std::wstring>{L"fine.lnk"});
    ASSERT_EQ(r.report.failures.size(), 1u);
    EXPECT_TRUE(StartsWith(r.report.failures[0], r.folder + L"\\x.lnk (2)\\locked.lnk: "))
        << WideToUtf8(r.report.failures[0]);
    ::SetFileAttributesW(r.folder.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SendReport, OneMessageListsAtMostTwelveFailures) {
    TSendReport report;
    for (int i = 0; i < 15; ++i) report.Add(L"item " + std::to_wstring(i), L"reason");
    std::wstring shown;
    TEffects e;
    e.messageBox = [&](HWND, const std::wstring& text, const std::wstring&, UINT) {
        shown = text;
        return IDOK;
    };
    TEffectsOverride over(std::move(e));
    ShowSendReport(nullptr, L"Heading", report);
    EXPECT_NE(shown.find(L"item 11: reason"), std::wstring::npos);
    EXPECT_EQ(shown.find(L"item 12"), std::wstring::npos);
    EXPECT_TRUE(EndsWith(shown, L"... and 3 more"));
}

}  // namespace
}  // namespace qm
