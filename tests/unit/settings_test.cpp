#include "records/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/listfile.h"
#include "support/tempdir.h"

namespace qm {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::wstring userFolder = dir / L"user\\QuilMar";
    std::wstring commonFolder = dir / L"common\\QuilMar";
    TSettingsStore store = TSettingsStore::Open(userFolder, commonFolder);

    void WriteUserFile(const std::string& text) {
        ASSERT_TRUE(test::WriteBytes(JoinPath(userFolder, L"defualt.ini"), text));
    }
    TSettings Loaded(bool runValue = false) {
        TSettings s;
        store.Load(s, dir / L"docs\\QuilMar", runValue);
        return s;
    }
};

TEST_F(SettingsTest, OpeningCreatesBothDataFoldersButNoFile) {
    EXPECT_TRUE(IsExistingFolder(userFolder));
    EXPECT_TRUE(IsExistingFolder(commonFolder));
    EXPECT_FALSE(PathExists(store.User().Path()));
    EXPECT_EQ(FileNameOf(store.User().Path()), L"defualt.ini");
}

TEST_F(SettingsTest, FreshUserGetsTheDefaults) {
    TSettings s = Loaded();
    EXPECT_EQ(s.record.recPath, dir / L"docs\\QuilMar\\");
    EXPECT_TRUE(IsExistingFolder(dir / L"docs\\QuilMar"));  // created when missing
    EXPECT_TRUE(s.record.recordRecentDocument);
    EXPECT_EQ(s.record.recRecentDoc, 60);
    EXPECT_TRUE(s.record.filterPCStart);
    EXPECT_EQ(s.record.recordInterval, 7);
    EXPECT_FALSE(s.record.webpage);
    EXPECT_TRUE(s.record.showSettingsWhenRecord);
    EXPECT_TRUE(s.record.runAsAdmin);
    // Desktop options: on where they only add to what a record holds or
    // restores; reopening is left to the record unless asked.
    EXPECT_TRUE(s.record.keepAddressesPrivate);
    EXPECT_FALSE(s.record.donotReopenOpen);
    EXPECT_TRUE(s.record.restorePlacement);
    EXPECT_TRUE(s.record.recordAllTabs);
    EXPECT_EQ(s.window.textSize, 9);
    EXPECT_TRUE(s.window.openLocationAfterPaste);
    EXPECT_FALSE(s.window.alwaysRunAsAdmin);
    EXPECT_FALSE(PathExists(store.User().Path()));  // loading writes nothing
}

TEST_F(SettingsTest, ValuesAreParsedWithTheirDefaultsForNonsense) {
    struct Case {
        const char* line;
        bool (*check)(const TSettings&);
    };
    const Case cases[] = {
        {"tbRecordInterval=1", [](const TSettings& s) { return s.record.recordInterval == 3; }},
        {"tbRecordInterval=61", [](const TSettings& s) { return s.record.recordInterval == 60; }},
        {"tbRecordInterval=abc", [](const TSettings& s) { return s.record.recordInterval == 7; }},
        {"CbWebpage=0x1", [](const TSettings& s) { return s.record.webpage; }},
        {"CbWebpage=yes", [](const TSettings& s) { return !s.record.webpage; }},
        {"CbWebpage=2", [](const TSettings& s) { return s.record.webpage; }},
        {"CbRecrodRecentDocument=0", [](const TSettings& s) { return !s.record.recordRecentDocument; }},
        {"CbRecrodRecentDocument=", [](const TSettings& s) { return s.record.recordRecentDocument; }},
        {"curTextSize=0xC", [](const TSettings& s) { return s.window.textSize == 12; }},
        {"RgRecordType=1", [](const TSettings& s) { return s.record.recordType == 1; }},
        {"EdtRECPath=D:\\Records", [](const TSettings& s) { return s.record.recPath == L"D:\\Records"; }},
        {"EdtRECPath=", [](const TSettings& s) { return s.record.recPath.empty(); }},
    };
    for (const auto& c : cases) {
        WriteUserFile(std::string("[default]\r\n") + c.line + "\r\n");
        EXPECT_TRUE(c.check(Loaded())) << c.line;
    }
}

TEST_F(SettingsTest, RunValueDecidesRunAtStartup) {
    WriteUserFile("[default]\r\nCbRunWhenWS=1\r\n");
    EXPECT_FALSE(Loaded(false).record.runWhenWindowsStarts);
    EXPECT_TRUE(Loaded(true).record.runWhenWindowsStarts);
}

TEST_F(SettingsTest, StoreWritesTheDialogKeysInOrderAndHidesANewFile) {
    TSettings s = Loaded();
    s.record.recPath = L"E:\\Rec \u00E4\u4E2D";  // survives: the file is Unicode
    s.record.recordInterval = 12;
    s.record.webpage = true;
    store.Store(s);
    std::wstring path = store.User().Path();
    EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(Loaded().record.recPath, L"E:\\Rec \u00E4\u4E2D");
    EXPECT_EQ(Loaded().record.recordInterval, 12);
    EXPECT_TRUE(Loaded().record.webpage);

    std::vector<std::wstring> lines = ReadListFile(path).value();
    std::vector<std::wstring> keysInFile;
    for (const auto& l : lines)
        if (auto eq = l.find(L'='); eq != std::wstring::npos) keysInFile.push_back(l.substr(0, eq));
    const std::vector<std::wstring> expected = {L"EdtRECPath",
                                                L"MnRunSelectedRecs",
                                                L"CbRunWhenWS",
                                                L"Alwaysontop1",
                                                L"CbWebpage",
                                                L"CbRecrodRecentDocument",
                                                L"tbRecRecentDoc",
                                                L"CbFilterPCStart",
                                                L"cbDisplayPCStartFilterList",
                                                L"RgRecordType",
                                                L"CbShowSettingsWhenRecord",
                                                L"CbShowSettingsWhenReplay",
                                                L"CbShowSettingsWhenRecordSmart",
                                                L"RbReplayAllChildDoc",
                                                L"runasadmin",
                                                L"tbRecordInterval",
                                                L"CbKeepAddressesPrivate",
                                                L"CbDonotReopenOpen",
                                                L"CbRestorePlacement",
                                                L"CbRecordAllTabs"};
    EXPECT_EQ(keysInFile, expected);
}

TEST_F(SettingsTest, ExistingAnsiFileIsReadAndKeepsItsAttributes) {
    WriteUserFile("[default]\r\nEdtRECPath=C:\\Old\r\n");
    std::wstring path = store.User().Path();
    EXPECT_FALSE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    store.User().WriteBool(keys::kSectionDefault, keys::MenuBar1, true);
    EXPECT_FALSE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(Loaded().record.recPath, L"C:\\Old");
    EXPECT_TRUE(store.User().ReadBool(keys::kSectionDefault, keys::MenuBar1, false));
}

TEST_F(SettingsTest, WindowStateMaximisedKeepsTheLastNormalBounds) {
    TWindowState w;
    w.width = 600;
    w.height = 700;
    w.left = 10;
    w.top = 20;
    w.recordIndex = -1;
    store.StoreWindowState(w);
    w.normal = false;
    w.width = 9999;
    store.StoreWindowState(w);
    const TIniFile& u = store.User();
    EXPECT_EQ(u.ReadInteger(keys::kSectionDefault, keys::WindStateInd, 5), 0);
    EXPECT_EQ(u.ReadInteger(keys::kSectionDefault, keys::Width, 0), 600);
    EXPECT_EQ(u.ReadInteger(keys::kSectionDefault, keys::LbRECs, 0), -1);
    EXPECT_FALSE(store.LoadNormalState());
}

TEST_F(SettingsTest, BoundsDefaultsAndShrinkToFit) {
    TBounds b = store.LoadBounds(1024, 768);
    EXPECT_EQ(b.width, 520);
    EXPECT_EQ(b.height, 708);
    EXPECT_EQ(b.left, 1024 - 520 - 15);
    EXPECT_EQ(b.top, 768 - 708 - 40);
    WriteUserFile("[default]\r\nWidth=800\r\nHeight=900\r\nLeft=400\r\nTop=100\r\n");
    b = store.LoadBounds(1024, 768);
    EXPECT_EQ(b.left, 400);  // not moved
    EXPECT_EQ(b.top, 100);
    EXPECT_EQ(b.width, 624);
    EXPECT_EQ(b.height, 668);
}

TEST_F(SettingsTest, CommonFileHoldsAlwaysRunAsAdminAndReopen) {
    EXPECT_FALSE(store.AlwaysRunAsAdmin());
    store.Common().WriteBool(keys::kSectionDefault, keys::AlwaysRunAsAdmin, true);
    // Another user's store on the same common folder sees it.
    TSettingsStore other = TSettingsStore::Open(dir / L"user2\\QuilMar", commonFolder);
    EXPECT_TRUE(other.AlwaysRunAsAdmin());
    other.StoreReopen(TReopen::Settings);
    EXPECT_EQ(store.LoadReopen(), TReopen::Settings);
    store.Common().WriteInteger(keys::kSectionStatus, keys::openwindow, 9);
    EXPECT_EQ(store.LoadReopen(), TReopen::Nothing);
}

TEST_F(SettingsTest, RefusedWriteRaisesUnableToWrite) {
    // A folder where the file should be makes every write fail.
    TSettingsStore broken = TSettingsStore::Open(dir / L"b", dir / L"c");
    ASSERT_TRUE(CreateFolderTree(broken.User().Path()));
    try {
        broken.User().WriteBool(keys::kSectionDefault, keys::MenuBar1, true);
        FAIL() << "no error";
    } catch (const TSettingsWriteError& e) {
        EXPECT_EQ(e.Message(), L"Unable to write to " + broken.User().Path());
    }
    TSettings s;
    broken.Load(s, dir / L"docs", false);  // reads give defaults
    EXPECT_EQ(s.record.recordInterval, 7);
}

}  // namespace
}  // namespace qm
