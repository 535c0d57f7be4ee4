// Searching every record and deleting items, on the model without a window.
#include "replay/treecommands.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/files.h"
#include "base/strings.h"
#include "capture/links.h"
#include "records/treefile.h"
#include "support/fakecapture.h"
#include "support/shortcuts.h"
#include "support/tempdir.h"

namespace qm {
namespace {

int AddNode(TRecordModel& m, TTreeNode* parent, const std::wstring& text, const std::wstring& path, int kind = 2) {
    int index = m.items.Append();
    m.items.At(index).path = path;
    m.items.At(index).title = text;
    m.items.At(index).docType = kind;
    m.all.Add(parent, text, index);
    return index;
}

TTreeNode* Top(TRecordModel& m, const std::wstring& text) {
    for (const auto& n : m.all.TopNodes())
        if (n->Text() == text) return n.get();
    return nullptr;
}

std::vector<std::wstring> Paths(const TRecordModel& m) {
    std::vector<std::wstring> out;
    m.all.ForEachNode([&](TTreeNode* n) { out.push_back(m.items.At(n->Index()).path); });
    std::sort(out.begin(), out.end());
    return out;
}

struct SearchFixture : ::testing::Test {
    test::TempDir dir;
    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    test::FakeRecordHost host;
    TRecorder recorder{model, options, images, L"C:\\no-documents-here"};
    std::vector<std::wstring> files;

    SearchFixture() { recorder.SetHost(&host, &host); }
    void WriteRecord(const std::wstring& name, const std::vector<std::pair<std::wstring, std::wstring>>& items) {
        TRecordModel m;
        for (const auto& [text, path] : items) AddNode(m, nullptr, text, path, kDocWebPage);
        files.push_back(dir / (name + L".quilmar"));
        ASSERT_TRUE(WriteTreeFile(files.back(), m, L"quilmar"));
    }
};

TEST_F(SearchFixture, MatchesEveryRecordWithoutRegardToCaseOnceAndWritesNothing) {
    WriteRecord(L"one", {{L"Holiday Photos", L"http://photos.example/holiday"}, {L"Bank", L"http://bank.example/"}});
    WriteRecord(L"two", {{L"Budget", L"http://office.example/HOLIDAY-plan"}, {L"News", L"http://news.example/"}});
    WriteRecord(L"three", {{L"holiday photos", L"http://photos.example/holiday"},
                           {L"my%20holiday", L"http://x.example/my%20holiday"}});
    files.push_back(dir / L"missing.quilmar");  // listed but gone: skipped
    std::vector<std::string> before;
    for (size_t i = 0; i < 3; ++i) before.push_back(ReadFileBytes(files[i]).value());

    for (const wchar_t* term : {L"holiday", L"HOLIDAY"}) {
        model.ClearAll();
        std::wstring lowered = ToLower(term);
        int added = SearchRecords(lowered, files, recorder);
        EXPECT_EQ(added, 3) << WideToUtf8(term);
        std::vector<std::wstring> paths = Paths(model);
        // The same page in two records is added once; "%20" is read as a blank.
        EXPECT_EQ(std::count(paths.begin(), paths.end(), L"http://photos.example/holiday"), 1);
        EXPECT_NE(std::find(paths.begin(), paths.end(), L"http://office.example/HOLIDAY-plan"), paths.end());
        EXPECT_NE(std::find(paths.begin(), paths.end(), L"http://x.example/my holiday"), paths.end());
        EXPECT_EQ(std::find(paths.begin(), paths.end(), L"http://bank.example/"), paths.end());
    }
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFileBytes(files[i]).value(), before[i]);
    EXPECT_EQ(SearchRecords(L"", files, recorder), 0);
}

TEST(TreeDeletion, ANodeWithItsSelectedChildIsDeletedOnce) {
    TRecordModel model;
    AddNode(model, nullptr, L"editor", L"C:\\apps\\editor.exe");
    TTreeNode* editor = Top(model, L"editor");
    AddNode(model, editor, L"a.txt", L"C:\\docs\\a.txt");
    AddNode(model, nullptr, L"other", L"C:\\apps\\other.exe");
    // Ctrl+A selects the top-level nodes and their children together.
    model.all.Select(editor, true);
    model.all.Select(editor->Child(0), true);
    EXPECT_EQ(SelectedRoots(model.all), std::vector<TTreeNode*>{editor});
    TRecentFolderSeams none;
    EXPECT_EQ(DeleteSelectedItems(model, L"C:\\links\\", none), 1);
    ASSERT_EQ(model.all.TopCount(), 1);
    EXPECT_EQ(model.all.Top(0)->Text(), L"other");
}

TEST(TreeDeletion, OnlyTheShortcutsOfDeletedItemsLeaveTheRecentFolder) {
    test::TempDir recent, files, links;
    std::wstring gone = files / L"gone \u00E9.txt", kept = files / L"kept.txt", folder = files / L"Projects";
    for (const auto& f : {gone, kept}) ASSERT_TRUE(WriteFileReplacing(f, "x"));
    ASSERT_TRUE(CreateFolderTree(folder));
    // A shortcut to a shortcut is recorded by its copy in the links folder.
    std::wstring innerLink = files / L"inner.lnk";
    ASSERT_TRUE(test::MakeShortcut(innerLink, gone));
    std::wstring copy = links / L"inner.lnk";
    ASSERT_TRUE(::CopyFileW(innerLink.c_str(), copy.c_str(), FALSE));

    struct Entry {
        const wchar_t* name;
        std::wstring target;
        bool deleted;
    };
    const Entry entries[] = {
        {L"gone.lnk", gone, true},
        {L"kept.lnk", kept, false},
        {L"folder.lnk", folder + L"\\", true},  // a trailing "\" makes no other folder
        {L"viacopy.lnk", innerLink, true},      // leads to the links folder's copy
    };
    for (const Entry& e : entries) ASSERT_TRUE(test::MakeShortcut(recent / e.name, e.target));
    // A file of the Recent folder that is no shortcut stays, even when it is a
    // deleted item itself.
    const std::wstring plain = recent / L"gone \u00E9.txt";
    ASSERT_TRUE(WriteFileReplacing(plain, "not a shortcut"));

    TRecordModel model;
    for (const auto& [text, path] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"gone", gone}, {L"kept", kept}, {L"Projects", folder}, {L"copy", copy}, {L"plain", plain}}) {
        AddNode(model, nullptr, text, path);
    }
    for (const wchar_t* t : {L"gone", L"Projects", L"copy", L"plain"}) model.all.Select(Top(model, t), true);

    TRecentFolderSeams seams = TRecentFolderSeams::Real();
    seams.list = [&] {
        std::vector<std::wstring> out;
        for (const Entry& e : entries) out.push_back(recent / e.name);
        out.push_back(plain);
        return out;
    };
    EXPECT_EQ(DeleteSelectedItems(model, links.Path(), seams), 4);
    for (const Entry& e : entries) EXPECT_EQ(PathExists(recent / e.name), !e.deleted) << WideToUtf8(e.name);
    EXPECT_TRUE(PathExists(plain));
    EXPECT_TRUE(PathExists(gone));  // the item's own file is never touched
    ASSERT_EQ(model.all.TopCount(), 1);
    EXPECT_EQ(model.all.Top(0)->Text(), L"kept");
}

}  // namespace
}  // namespace qm
