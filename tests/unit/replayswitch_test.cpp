// "/replay" and a record's file name: which arguments are the switch (only a
// plain name of a record that is listed in the record folder), and the desktop
// shortcut that carries it, read back through the shell.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <set>

#include "app/entries.h"
#include "app/recordshortcut.h"
#include "base/com.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/system.h"
#include "records/recordstore.h"
#include "support/fakestore.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using Microsoft::WRL::ComPtr;
using Lines = std::vector<std::wstring>;

std::string Describe(const Lines& args) {
    std::wstring text;
    for (const std::wstring& a : args) text += L"[" + a + L"]";
    return WideToUtf8(text);
}

class ReplaySwitchTest : public ::testing::Test, protected test::TStoreFixture {
protected:
    Lines asked;  // every name the record lookup was asked about

    void SetUp() override {
        ASSERT_TRUE(CreateFolderTree(dir / L"records"));
        for (const wchar_t* name : {L"Work.quilmar", L"Dec 01,2026_001.quilmar", L"B\u00FCro \u4E2D\u6587.quilmar"})
            ASSERT_TRUE(WriteFileReplacing(dir / (std::wstring(L"records\\") + name), "<quilmartree/>"));
        // A record file beside the record folder, which no switch may reach.
        ASSERT_TRUE(WriteFileReplacing(dir / L"outside.quilmar", "<quilmartree/>"));
        ASSERT_TRUE(store.ListRecords());
    }
    TReplaySwitch Take(const Lines& args) {
        return TakeReplaySwitch(args, [this](const std::wstring& file) {
            asked.push_back(file);
            return store.ListedIndexOf(file) >= 0;
        });
    }
};

TEST_F(ReplaySwitchTest, OnlyAPlainNameOfAListedRecordIsTheSwitch) {
    const std::wstring inFolder = dir / L"records\\Work.quilmar";
    struct Case {
        Lines args;
        std::optional<std::wstring> record;
        Lines entries;
        bool lookedUp;  // the name reached the record lookup
    };
    const Case cases[] = {
        {{L"/replay", L"Work.quilmar"}, L"Work.quilmar", {}, true},
        {{L"/replay", L"work.QUILMAR"}, L"work.QUILMAR", {}, true},
        {{L"/replay", L"Work"}, L"Work", {}, true},
        {{L"/replay", L"Dec 01,2026_001.quilmar"}, L"Dec 01,2026_001.quilmar", {}, true},
        {{L"/replay", L"B\u00FCro \u4E2D\u6587.quilmar"}, L"B\u00FCro \u4E2D\u6587.quilmar", {}, true},
        {{L"C:\\a.txt", L"/replay", L"Work.quilmar", L"C:\\b.txt"},
         L"Work.quilmar",
         {L"C:\\a.txt", L"C:\\b.txt"},
         true},
        // A start replays once: a second switch is dropped, not made an entry.
        {{L"/replay", L"Work.quilmar", L"/replay", L"Work"}, L"Work.quilmar", {}, true},
        // Names of no record stay entries, the switch with them.
        {{L"/replay", L"Nothing.quilmar"}, std::nullopt, {L"/replay", L"Nothing.quilmar"}, true},
        {{L"/replay"}, std::nullopt, {L"/replay"}, false},
        {{L"/REPLAY", L"Work.quilmar"}, std::nullopt, {L"/REPLAY", L"Work.quilmar"}, false},
        {{L"/replay", L"/replay", L"Work.quilmar"}, L"Work.quilmar", {L"/replay"}, true},
        // Anything that could point outside the record folder never reaches the lookup.
        {{L"/replay", L"..\\outside.quilmar"}, std::nullopt, {L"/replay", L"..\\outside.quilmar"}, false},
        {{L"/replay", L"../outside.quilmar"}, std::nullopt, {L"/replay", L"../outside.quilmar"}, false},
        {{L"/replay", L".."}, std::nullopt, {L"/replay", L".."}, false},
        {{L"/replay", inFolder}, std::nullopt, {L"/replay", inFolder}, false},
        {{L"/replay", L"C:Work.quilmar"}, std::nullopt, {L"/replay", L"C:Work.quilmar"}, false},
        {{L"/replay", L"records\\Work.quilmar"}, std::nullopt, {L"/replay", L"records\\Work.quilmar"}, false},
        {{L"/replay", L"Work.quilmar:x"}, std::nullopt, {L"/replay", L"Work.quilmar:x"}, false},
        {{L"/replay", L"NUL.quilmar"}, std::nullopt, {L"/replay", L"NUL.quilmar"}, false},
        {{L"/replay", L"W*.quilmar"}, std::nullopt, {L"/replay", L"W*.quilmar"}, false},
        {{L"/replay", L""}, std::nullopt, {L"/replay", L""}, false},
    };
    for (const Case& c : cases) {
        asked.clear();
        std::string what = Describe(c.args);
        TReplaySwitch got = Take(c.args);
        EXPECT_EQ(got.record, c.record) << what;
        EXPECT_EQ(got.entries, c.entries) << what;
        EXPECT_EQ(!asked.empty(), c.lookedUp) << what;
    }
}

TEST_F(ReplaySwitchTest, ARecordGoneSinceItWasListedNamesNothing) {
    // A folder now stands where the record was: it is no record to read.
    std::wstring file = dir / L"records\\Work.quilmar";
    ASSERT_TRUE(::DeleteFileW(file.c_str()));
    ASSERT_TRUE(CreateFolderTree(file));
    EXPECT_EQ(store.ListedIndexOf(L"Work.quilmar"), -1);
    EXPECT_FALSE(Take({L"/replay", L"Work.quilmar"}).record.has_value());
    // The other records are still found, at their places in the list.
    int at = store.ListedIndexOf(L"Dec 01,2026_001");
    ASSERT_GE(at, 0);
    EXPECT_EQ(list.Text(at), L"Dec 01,2026_001");
}

// The shortcut's arguments, as the started program's command line splits
// them, give back the switch and the record's file name exactly.
TEST(ReplayShortcut, ArgumentsSplitBackIntoTheSwitchAndTheFileName) {
    for (const wchar_t* name : {L"Work.quilmar", L"Dec 01,2026_001.quilmar", L"a  b .quilmar", L"-x.quilmar",
                                L"B\u00FCro \u4E2D\u6587 \U0001F600.quilmar", L"100% done.quilmar"}) {
        std::wstring line = L"\"C:\\Program Files\\QuilMar\\quilmar.exe\" " + ReplayShortcutArguments(name);
        EXPECT_EQ(CommandLineArguments(line.c_str()), (Lines{L"/replay", name})) << WideToUtf8(name);
    }
}

struct TLinkRead {
    std::wstring target, arguments, workingFolder, description;
};

std::optional<TLinkRead> ReadLink(const std::wstring& path) {
    TComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return std::nullopt;
    wchar_t target[MAX_PATH] = {}, arguments[INFOTIPSIZE] = {}, folder[MAX_PATH] = {}, description[INFOTIPSIZE] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, INFOTIPSIZE);
    link->GetWorkingDirectory(folder, MAX_PATH);
    link->GetDescription(description, INFOTIPSIZE);
    return TLinkRead{target, arguments, folder, description};
}

TEST(ReplayShortcut, TheShellReadsBackTheProgramTheSwitchAndTheProgramsFolder) {
    test::TempDir dir;
    std::wstring folder = dir / L"Quil Mar", program = dir / L"Quil Mar\\quilmar.exe";
    std::wstring desktop = dir / L"Desktop";
    ASSERT_TRUE(CreateFolderTree(folder));
    ASSERT_TRUE(CreateFolderTree(desktop));
    ASSERT_TRUE(WriteFileReplacing(program, "MZ"));
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Dec 01,2026_001", L"Dec 01,2026_001.lnk"},
        {L"B\u00FCro \u4E2D\u6587", L"B\u00FCro \u4E2D\u6587.lnk"},
        // A second shortcut of the same record replaces nothing.
        {L"Dec 01,2026_001", L"Dec 01,2026_001 (2).lnk"},
    };
    for (auto [entry, linkName] : cases) {
        std::wstring written;
        ASSERT_EQ(CreateReplayShortcut(program, entry, desktop, &written), S_OK) << WideToUtf8(entry);
        EXPECT_EQ(FileNameOf(written), linkName);
        std::optional<TLinkRead> link = ReadLink(written);
        ASSERT_TRUE(link.has_value()) << WideToUtf8(written);
        EXPECT_TRUE(EqualsNoCase(link->target, program)) << WideToUtf8(link->target);
        EXPECT_TRUE(EqualsNoCase(StripTrailingBackslash(link->workingFolder), folder))
            << WideToUtf8(link->workingFolder);
        EXPECT_EQ(link->description, entry);
        // What the shortcut starts names the record it was made for.
        std::wstring line = L"\"" + link->target + L"\" " + link->arguments;
        TReplaySwitch taken =
            TakeReplaySwitch(CommandLineArguments(line.c_str()), [&](const std::wstring&) { return true; });
        EXPECT_EQ(taken.record, std::wstring(entry) + L".quilmar") << WideToUtf8(link->arguments);
        EXPECT_TRUE(taken.entries.empty());
    }
}

TEST(ReplayShortcut, ADesktopThatCannotHoldFilesIsAFailure) {
    test::TempDir dir;
    ASSERT_TRUE(WriteFileReplacing(dir / L"Desktop", "not a folder"));
    EXPECT_TRUE(FAILED(CreateReplayShortcut(dir / L"quilmar.exe", L"Work", dir / L"Desktop")));
}

}  // namespace
}  // namespace qm
