#include "records/recordstore.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "records/sidefiles.h"
#include "records/treefile.h"
#include "support/fakestore.h"
#include "support/images.h"
#include "support/tempdir.h"

namespace qm {
namespace {

SYSTEMTIME Day(int y, int m, int d) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(m);
    t.wDay = static_cast<WORD>(d);
    return t;
}

class RecordStoreTest : public ::testing::Test, protected test::TStoreFixture {
protected:
    void SetUp() override {
        model.SetImages(test::MakeImageList(2));  // the window always has its base images
    }
    std::wstring Folder() { return store.RecordFolder(); }
    void Touch(const std::wstring& name) { ASSERT_TRUE(WriteFileReplacing(JoinPath(Folder(), name), "")); }

    // Puts a few nodes into the open record.
    void Fill(std::initializer_list<const wchar_t*> titles) {
        for (const wchar_t* t : titles) {
            int i = model.items.Append();
            model.items.At(i).path = std::wstring(L"C:\\") + t;
            model.items.At(i).title = t;
            model.items.At(i).docType = 2;
            TTreeNode* n = model.all.Add(nullptr, t, i, 3);
            model.all.Add(n, std::wstring(t) + L" doc", model.items.Append());
        }
    }
    std::vector<std::wstring> TopTexts() {
        std::vector<std::wstring> out;
        for (const auto& n : model.all.TopNodes()) out.push_back(n->Text());
        return out;
    }
};

TEST(RecordKeys, DateKeysAndNames) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Dec 08,2026_001.quilmar", L"20261208001"},
        {L"jan 02,2027_014.QUILMAR", L"20270102014"},
        {L"alpha.quilmar", L"alpa"},
        {L"Foo 01,2026_001.quilmar", L"2026foo01001"},
        {L".quilmar", L""},
        {L"x", L""},
    };
    for (auto [name, key] : cases) EXPECT_EQ(RecordDateKey(name), key) << name;
    EXPECT_EQ(RecordDateText(Day(2026, 12, 8)), L"Dec 08,2026");
    EXPECT_EQ(RecordDateText(Day(2027, 1, 2)), L"Jan 02,2027");
}

TEST_F(RecordStoreTest, FolderNormalisation) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"  C:\\r  ", L"C:\\r\\"},
        {L"C:\\r\\\\\\", L"C:\\r\\"},
        {L"\\\\server\\share\\r", L"\\\\server\\share\\r"},
        {L"", L""},
    };
    for (const auto& [typed, used] : cases) {
        settings.record.recPath = typed;
        EXPECT_EQ(store.RecordFolder(), used);
    }
}

TEST_F(RecordStoreTest, NewNamesCountUpAndWrapAfter1000) {
    SYSTEMTIME day = Day(2026, 12, 8);
    for (const wchar_t* expected :
         {L"Dec 08,2026_001.quilmar", L"Dec 08,2026_002.quilmar", L"Dec 08,2026_003.quilmar"}) {
        std::wstring name = store.NewRecordName(day);
        EXPECT_EQ(name, JoinPath(Folder(), expected));
        ASSERT_TRUE(WriteFileReplacing(name, ""));
    }
    for (int n = 4; n <= 1000; ++n) Touch(Format(L"Dec 08,2026_%.3d.quilmar", n));
    EXPECT_EQ(store.NewRecordName(day), JoinPath(Folder(), L"Dec 08,2026_001.quilmar"));
}

TEST_F(RecordStoreTest, NewNameIsEmptyWhenTheFolderCannotBeMade) {
    ASSERT_TRUE(WriteFileReplacing(dir / L"blocker", ""));
    settings.record.recPath = dir / L"blocker\\records";
    EXPECT_EQ(store.NewRecordName(Day(2026, 1, 1)), L"");
    EXPECT_FALSE(store.SaveOpenRecord(TSaveRule::New));
}

TEST_F(RecordStoreTest, ListingSortsByDateKey) {
    ASSERT_TRUE(CreateFolderTree(Folder()));
    for (const wchar_t* n : {L"Jan 02,2027_001.quilmar", L"alpha.quilmar", L"Dec 31,2026_005.quilmar",
                             L"Dec 31,2026_004.QUILMAR", L"notes.txt", L"Dec 31,2026_004.quilmartreesel"})
        Touch(n);
    ASSERT_TRUE(CreateFolderTree(JoinPath(Folder(), L"folder.quilmar")));
    EXPECT_TRUE(store.ListRecords());
    EXPECT_EQ(list.entries,
              (std::vector<std::wstring>{L"Dec 31,2026_004", L"Dec 31,2026_005", L"Jan 02,2027_001", L"alpha"}));
    EXPECT_EQ(list.cursor, -1);
    store.SetCurrentRecordPath(JoinPath(Folder(), L"jan 02,2027_001.quilmar"));
    store.ListRecords();
    EXPECT_EQ(list.cursor, 2);
    EXPECT_EQ(list.Selected(), std::vector<int>{2});
}

TEST_F(RecordStoreTest, MissingFolderListsNothing) {
    settings.record.recPath = dir / L"nowhere";
    EXPECT_FALSE(store.ListRecords());
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(RecordStoreTest, SaveThenSelectRestoresTreeExpansionAndImages) {
    model.SetImages(test::MakeImageList(5));
    Fill({L"notepad", L"calc", L"\u00E4 \u4E2D & <x>"});
    model.all.Top(1)->SetExpanded(true);
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring saved = store.CurrentRecordPath();
    EXPECT_TRUE(IsExistingFile(saved));
    EXPECT_TRUE(IsExistingFile(TRecordStore::SideFile(saved, kImageFileExt)));
    EXPECT_TRUE(IsExistingFile(TRecordStore::SideFile(saved, kExpansionFileExt)));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.cursor, 0);

    std::vector<std::wstring> before = TopTexts();
    model.ClearAll();
    model.SetImages(test::MakeImageList(1));
    store.SelectRecord();
    EXPECT_EQ(TopTexts(), before);
    EXPECT_TRUE(model.all.Top(1)->Expanded());
    EXPECT_FALSE(model.all.Top(0)->Expanded());
    EXPECT_EQ(ImageList_GetImageCount(model.Images()), 5);
    EXPECT_EQ(model.app.TopCount(), 3);  // category trees derived
    EXPECT_EQ(host.status0, L"   File Name :" + saved + L" selected.");
    EXPECT_EQ(host.status1, L" Location :" + Folder());
    EXPECT_FALSE(store.TreeRebuilding());
}

TEST_F(RecordStoreTest, RecordWithoutSideFilesLoadsCollapsedWithTheImagesItHad) {
    Fill({L"a", L"b"});
    model.all.Top(0)->SetExpanded(true);
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring saved = store.CurrentRecordPath();
    ::DeleteFileW(TRecordStore::SideFile(saved, kExpansionFileExt).c_str());
    ::DeleteFileW(TRecordStore::SideFile(saved, kImageFileExt).c_str());
    model.SetImages(test::MakeImageList(7));
    store.SelectRecord();
    ASSERT_EQ(model.all.TopCount(), 2);
    EXPECT_FALSE(model.all.Top(0)->Expanded());
    EXPECT_EQ(ImageList_GetImageCount(model.Images()), 7);
}

TEST_F(RecordStoreTest, SelectWithoutCursorLoadsNothing) {
    Fill({L"a"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    list.cursor = -1;
    store.SelectRecord();
    EXPECT_EQ(model.all.TopCount(), 1);  // untouched
    EXPECT_FALSE(store.TreeRebuilding());
}

TEST_F(RecordStoreTest, DamagedTreeFileLoadsNothingAndTheWindowGoesOn) {
    Fill({L"a"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    ASSERT_TRUE(WriteFileReplacing(store.CurrentRecordPath(), "<quilmartree><item text="));
    store.SelectRecord();
    EXPECT_EQ(model.all.TopCount(), 0);
    EXPECT_FALSE(store.TreeRebuilding());
}

TEST_F(RecordStoreTest, SaveRulesChooseTheTarget) {
    Fill({L"x"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring first = store.CurrentRecordPath();
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring second = store.CurrentRecordPath();
    EXPECT_NE(first, second);
    EXPECT_EQ(list.Count(), 2);
    // "selected" takes the record under the cursor.
    list.SelectOnly(list.IndexOf(RecordName(FileNameOf(first))));
    Fill({L"y"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::Selected));
    EXPECT_EQ(store.CurrentRecordPath(), first);
    // "keep" writes where the current path points, e.g. a name chosen by the user.
    store.SetCurrentRecordPath(JoinPath(Folder(), L"chosen.quilmar"));
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::Keep));
    EXPECT_TRUE(IsExistingFile(JoinPath(Folder(), L"chosen.quilmar")));
    EXPECT_EQ(list.Count(), 3);
}

TEST_F(RecordStoreTest, SaveSelectedWithAnEmptyListMakesANewRecordAndWithoutCursorSavesNothing) {
    Fill({L"x"});
    store.SaveSelectedRecord();
    EXPECT_EQ(list.Count(), 1);
    list.cursor = -1;
    std::wstring path = JoinPath(Folder(), list.Text(0) + L".quilmar");
    std::string before = ReadFileBytes(path).value();
    Fill({L"y"});
    store.SaveSelectedRecord();
    EXPECT_EQ(ReadFileBytes(path).value(), before);
}

TEST_F(RecordStoreTest, FolderThatCannotBeMadeAsksForSettings) {
    ASSERT_TRUE(WriteFileReplacing(dir / L"blocker", ""));
    Fill({L"x"});
    store.SetCurrentRecordPath(dir / L"blocker\\sub\\r.quilmar");
    EXPECT_FALSE(store.SaveOpenRecord(TSaveRule::Keep));  // cancelled: nothing saved
    EXPECT_EQ(host.settingsShown, 1);
    host.settingsConfirmed = true;
    settings.record.recPath = dir / L"chosen";  // what the user set in the dialog
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::Keep));
    EXPECT_TRUE(IsExistingFile(dir / L"chosen\\r.quilmar"));
}

TEST_F(RecordStoreTest, FailedSaveKeepsTheOldRecordAndFallsBackToTheDefaultFolder) {
    Fill({L"old"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring path = store.CurrentRecordPath();
    std::string before = ReadFileBytes(path).value();
    // Something in the way of the temporary file makes this save fail.
    ASSERT_TRUE(CreateFolderTree(path + L".tmp~"));
    Fill({L"new"});
    EXPECT_FALSE(store.SaveOpenRecord(TSaveRule::Keep));
    EXPECT_EQ(ReadFileBytes(path).value(), before);
    EXPECT_EQ(settings.record.recPath, dir / L"default\\");
}

// The three files go in together: a side file that cannot be written leaves
// every file of the old record as it was (and no temporary file behind).
TEST_F(RecordStoreTest, FailedSideFileKeepsAllThreeOldFiles) {
    for (const wchar_t* blocked : {kImageFileExt, kExpansionFileExt}) {
        model.ClearAll();
        Fill({L"old"});
        ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
        const std::wstring path = store.CurrentRecordPath();
        const std::wstring files[] = {path, TRecordStore::SideFile(path, kImageFileExt),
                                      TRecordStore::SideFile(path, kExpansionFileExt)};
        std::vector<std::string> before;
        for (const auto& f : files) before.push_back(ReadFileBytes(f).value());
        ASSERT_TRUE(CreateFolderTree(TRecordStore::SideFile(path, blocked) + L".tmp~"));
        model.all.Top(0)->SetExpanded(true);
        Fill({L"new"});
        EXPECT_FALSE(store.SaveRecordTo(path));
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFileBytes(files[i]).value(), before[i]) << WideToUtf8(files[i]);
        EXPECT_FALSE(PathExists(path + L".tmp~"));
        ::RemoveDirectoryW((TRecordStore::SideFile(path, blocked) + L".tmp~").c_str());
    }
}

// Names typed for a record never reach outside the record folder.
TEST_F(RecordStoreTest, RecordNamesStayInTheRecordFolder) {
    struct Case {
        const wchar_t* name;
        bool valid;
    };
    const Case cases[] = {{L"..\\x", false},     {L"a\\b", false},          {L"a/b", false},
                          {L"CON", false},       {L"con.quilmar", false},   {L"LPT1.txt", false},
                          {L"x:", false},        {L"x:stream", false},      {L"..", false},
                          {L"", false},          {L"   ", false},           {L"name.", false},
                          {L"a\tb", false},      {L"Holiday \u00E9", true}, {L"report.QUILMAR", true},
                          {L"  spaced  ", true}, {L"COM10", true},          {L"console", true}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidRecordName(c.name), c.valid) << WideToUtf8(c.name);
        std::wstring path = store.RecordPathFor(c.name);
        EXPECT_EQ(path.empty(), !c.valid) << WideToUtf8(c.name);
        if (!path.empty()) {
            EXPECT_TRUE(EqualsNoCase(FolderOf(path), Folder())) << WideToUtf8(path);
        }
    }
    // A rename to such a name moves nothing.
    Fill({L"x"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring entry = list.Text(0);
    host.newName = L"..\\escaped";
    store.RenameSelectedRecord();
    EXPECT_EQ(list.entries, std::vector<std::wstring>{entry});
    EXPECT_FALSE(PathExists(JoinPath(FolderOf(StripTrailingBackslash(Folder())), L"escaped.quilmar")));
}

// A record folder written without its trailing "\" (a UNC folder keeps it that
// way) lists, selects, saves, renames and deletes the same files.
TEST(RecordStorePaths, EntriesJoinTheFolderWithOneBackslash) {
    TRecordModel model;
    TSettings settings;
    test::FakeRecordList list;
    test::FakeStoreHost host;
    TRecordStore store{model, settings, nullptr, list, host, host, L"x", L"C:\\default"};
    for (const wchar_t* folder : {L"\\\\server\\share\\records", L"\\\\server\\share\\records\\"}) {
        settings.record.recPath = folder;
        EXPECT_EQ(store.EntryPath(L"Dec 01,2026_001"), L"\\\\server\\share\\records\\Dec 01,2026_001.quilmar");
        EXPECT_EQ(store.RecordPathFor(L"report"), L"\\\\server\\share\\records\\report.quilmar");
    }
    settings.record.recPath = L"C:\\records";  // a drive path is normalised with its "\"
    EXPECT_EQ(store.EntryPath(L"a"), L"C:\\records\\a.quilmar");
}

TEST_F(RecordStoreTest, InterruptedSaveLeavesTheOldRecordReadable) {
    Fill({L"kept"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring path = store.CurrentRecordPath();
    // A save killed after writing its temporary file: the file is there, never moved.
    ASSERT_TRUE(WriteFileReplacing(path + L".tmp~", "<quilmartree><item text=\"half"));
    model.ClearAll();
    store.SelectRecord();
    ASSERT_EQ(model.all.TopCount(), 1);
    EXPECT_EQ(model.all.Top(0)->Text(), L"kept");
    // The next save takes the stale temporary file's place.
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::Keep));
}

TEST_F(RecordStoreTest, DeleteSendsTheThreeFilesAwayUnlessCancelledOrStopped) {
    for (int i = 0; i < 3; ++i) {
        Fill({L"x"});
        ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    }
    ASSERT_EQ(list.Count(), 3);
    list.selected = {true, false, true};
    host.answer = false;
    store.DeleteSelectedRecords();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(host.questions.back(), L"Are you sure you want to delete selected record?");

    host.answer = true;
    std::wstring first = JoinPath(Folder(), list.Text(0) + L".quilmar");
    store.DeleteSelectedRecords();
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(PathExists(first));
    EXPECT_FALSE(PathExists(TRecordStore::SideFile(first, kImageFileExt)));
    EXPECT_FALSE(PathExists(TRecordStore::SideFile(first, kExpansionFileExt)));
    EXPECT_EQ(model.items.Count(), 0);
    EXPECT_EQ(host.hints.back(), L"");
    EXPECT_FALSE(host.progressShown);
}

TEST_F(RecordStoreTest, StopRequestEndsTheDeletion) {
    for (int i = 0; i < 3; ++i) {
        Fill({L"x"});
        ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    }
    list.selected = {true, true, true};
    host.stop = true;                      // an earlier stop request is cleared first
    host.stopAfterPumps = host.pumps + 2;  // pressed while the second record goes
    store.DeleteSelectedRecords();
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(RecordStoreTest, RenameAddsTheExtensionOnceAndAsksBeforeReplacing) {
    Fill({L"x"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    host.newName = L"report.QUILMAR";
    store.RenameSelectedRecord();
    EXPECT_EQ(list.entries, std::vector<std::wstring>{L"report"});
    EXPECT_TRUE(IsExistingFile(JoinPath(Folder(), L"report.QUILMAR")));
    EXPECT_TRUE(IsExistingFile(JoinPath(Folder(), L"report.dat")));
    EXPECT_EQ(list.cursor, 0);

    Fill({L"y"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    host.newName = L"report";
    host.answer = false;
    store.RenameSelectedRecord();
    EXPECT_EQ(list.Count(), 2);
    ASSERT_FALSE(host.questions.empty());
    EXPECT_EQ(host.questions.back(),
              JoinPath(Folder(), L"report.quilmar") + L" is already exists.\r\nDo you want to replace it?");
    host.answer = true;
    store.RenameSelectedRecord();
    EXPECT_EQ(list.entries, std::vector<std::wstring>{L"report"});
    model.ClearAll();
    store.SelectRecord();
    EXPECT_EQ(model.all.TopCount(), 2);  // the renamed record replaced the old one

    host.newName.reset();  // cancelled
    store.RenameSelectedRecord();
    EXPECT_EQ(list.entries, std::vector<std::wstring>{L"report"});
}

TEST_F(RecordStoreTest, ExpandingWritesTheExpansionFileUnlessRebuilding) {
    Fill({L"a", L"b"});
    ASSERT_TRUE(store.SaveOpenRecord(TSaveRule::New));
    std::wstring sel = TRecordStore::SideFile(store.CurrentRecordPath(), kExpansionFileExt);
    store.SetTreeRebuilding(true);
    store.NodeExpansionChanged(model.all.Top(1), true);
    EXPECT_EQ(ReadListFile(sel).value(), (std::vector<std::wstring>{L"0", L"0"}));
    store.SetTreeRebuilding(false);
    store.NodeExpansionChanged(model.all.Top(1), true);
    EXPECT_EQ(ReadListFile(sel).value(), (std::vector<std::wstring>{L"0", L"1"}));
}

TEST_F(RecordStoreTest, SelectedIndexIsStored) {
    test::TempDir cfg;
    TSettingsStore settingsStore = TSettingsStore::Open(cfg / L"u", cfg / L"c");
    TRecordStore withSettings{model, settings, &settingsStore, list, host, host, L"x", dir / L"default"};
    Fill({L"a"});
    ASSERT_TRUE(withSettings.SaveOpenRecord(TSaveRule::New));
    ASSERT_TRUE(withSettings.SaveOpenRecord(TSaveRule::New));
    list.SelectOnly(1);
    withSettings.SelectRecord();
    EXPECT_EQ(settingsStore.LoadRecordIndex(), 1);
}

}  // namespace
}  // namespace qm
