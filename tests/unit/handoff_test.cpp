#include "app/handoff.h"

#include <gtest/gtest.h>

#include "base/listfile.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using Lines = std::vector<std::wstring>;

// Records every call in order, as "verb:argument".
class Recorder : public IEntryTarget, public IEntryHost, public TNoProgress {
public:
    Lines log;
    Lines known;  // paths the recorded-path tests answer true for

    void LoadInstalledPrograms() override { log.push_back(L"programs"); }
    void ClearLastRecordedPath() override { log.push_back(L"clearLast"); }
    void SetLastRecordedPath(const std::wstring& p) override { log.push_back(L"last:" + p); }
    bool IsRecordedPath(const std::wstring& p) override { return IsKnown(p); }
    bool CheckIfRecentDocInTreeNode(const std::wstring& p) override { return IsKnown(p); }
    void MarkAsCurrent(const std::wstring& p) override { log.push_back(L"mark:" + p); }
    void AddLocation(const std::wstring& p) override { log.push_back(L"add:" + p); }

    void HoldTreeRepaints(bool hold) override { log.push_back(hold ? L"hold" : L"release"); }
    void Pump() override { log.push_back(L"pump"); }
    void SaveSelectedRecord() override { log.push_back(L"save"); }
    void ShowLastRecordedPath() override { log.push_back(L"show"); }
    void ReselectRecord() override { log.push_back(L"reselect"); }
    void RestoreSmartRecord() override { log.push_back(L"smart"); }

    Lines Only(const std::wstring& prefix) const {
        Lines out;
        for (const auto& l : log)
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }

private:
    bool IsKnown(const std::wstring& p) const { return std::find(known.begin(), known.end(), p) != known.end(); }
};

TEST(Handoff, HandlerAddsEntriesDecodesBlanksAndSavesOnce) {
    test::TempDir dir;
    std::wstring file = dir / L"sendparam.txt";
    ASSERT_TRUE(WriteListFile(file, {L"C:\\My?|?Files\\x.txt", L"/run", L"", L"C:\\a.txt*C:\\b.txt* /install*",
                                     L"C:\\known.txt", L"\"C:\\App\\app.exe\" %1", L"/RUN"}));
    Recorder r;
    r.known = {L"C:\\known.txt"};
    HandleHandoffFile(file, r, r, r);
    EXPECT_EQ(r.log.front(), L"programs");
    EXPECT_EQ(r.Only(L"add:"), (Lines{L"add:C:\\My Files\\x.txt", L"add:C:\\a.txt", L"add:C:\\b.txt",
                                      L"add:C:\\App\\app.exe", L"add:/RUN"}));
    EXPECT_EQ(r.Only(L"mark:"), Lines{L"mark:C:\\known.txt"});
    EXPECT_EQ(r.Only(L"save"), Lines{L"save"});
    EXPECT_EQ(r.log.back(), L"show");
}

TEST(Handoff, HandlerWithoutFileOrChangesDoesNotSave) {
    test::TempDir dir;
    Recorder missing;
    HandleHandoffFile(dir / L"none.txt", missing, missing, missing);
    EXPECT_TRUE(missing.Only(L"save").empty());
    EXPECT_TRUE(missing.Only(L"add:").empty());
    EXPECT_EQ(missing.log.back(), L"show");

    std::wstring file = dir / L"sendparam.txt";
    ASSERT_TRUE(WriteListFile(file, {}));  // a plain second start hands over nothing
    Recorder empty;
    HandleHandoffFile(file, empty, empty, empty);
    EXPECT_TRUE(empty.Only(L"save").empty());

    ASSERT_TRUE(WriteListFile(file, {L"C:\\known.txt"}));
    Recorder known;
    known.known = {L"C:\\known.txt"};
    HandleHandoffFile(file, known, known, known);
    EXPECT_TRUE(known.Only(L"save").empty());
    EXPECT_EQ(known.Only(L"mark:"), Lines{L"mark:C:\\known.txt"});
}

TEST(Handoff, OwnCommandLineAddsEntriesAndTheContextMenuFile) {
    test::TempDir dir;
    std::wstring menu = dir / L"ctmenu.txt";
    ASSERT_TRUE(WriteListFile(menu, {L"C:\\m1.txt", L"C:\\m*2.txt", L"C:\\known.txt"}));
    Recorder r;
    r.known = {L"C:\\known.txt"};
    ProcessOwnCommandLine({L"/run", L"C:\\one.txt", L"", L"/ctmenu"}, menu, r, r);
    EXPECT_EQ(r.Only(L"add:"), (Lines{L"add:C:\\one.txt", L"add:C:\\m1.txt", L"add:C:\\m*2.txt"}));
    EXPECT_EQ(r.Only(L"mark:"), Lines{L"mark:C:\\known.txt"});
    EXPECT_EQ(r.Only(L"last:"), Lines{L"last:C:\\known.txt"});
    EXPECT_EQ(r.Only(L"save"), Lines{L"save"});
    EXPECT_EQ(r.log.back(), L"smart");
}

TEST(Handoff, OwnCommandLineWithAStarListSavesAndReselects) {
    test::TempDir dir;
    Recorder r;
    ProcessOwnCommandLine({L"C:\\a.txt*C:\\b.txt"}, dir / L"ctmenu.txt", r, r);
    EXPECT_EQ(r.Only(L"add:"), Lines{L"add:C:\\a.txt"});
    EXPECT_EQ(r.Only(L"reselect"), Lines{L"reselect"});
    EXPECT_EQ(r.Only(L"save"), (Lines{L"save", L"save"}));
    EXPECT_TRUE(r.Only(L"smart").empty());
}

TEST(Handoff, OwnCommandLineWithoutArgumentsDoesNothing) {
    test::TempDir dir;
    Recorder r;
    ProcessOwnCommandLine({}, dir / L"ctmenu.txt", r, r);
    EXPECT_EQ(r.log, (Lines{L"hold", L"release", L"show"}));
}

TEST(Handoff, SendWritesTheFileEvenWithoutAWindow) {
    test::TempDir dir;
    // No window of the main class exists in this test process's desktop session
    // while the end-to-end tests are not running (they hold their own lock).
    EXPECT_FALSE(SendHandoff({L"C:\\a b.txt", L"/run", L"C:\\x*y*"}, dir.Path(), 0));
    EXPECT_EQ(ReadListFile(dir / L"sendparam.txt").value(), (Lines{L"C:\\a b.txt", L"C:\\x*y*"}));
}

}  // namespace
}  // namespace qm
