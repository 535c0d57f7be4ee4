// What the trees' context menu offers, by the selected item.
#include "app/treemenu.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/strings.h"
#include "support/tempdir.h"

namespace qm {
namespace {

int Add(TRecordModel& m, TTreeNode* parent, const std::wstring& text, const std::wstring& path, int image = 0) {
    int index = m.items.Append();
    m.items.At(index).path = path;
    m.all.Add(parent, text, index, image);
    return index;
}

TEST(TreeMenu, EntriesByExtensionAndElevation) {
    TRecordModel model;
    struct Case {
        const wchar_t* path;
        bool elevated;
        bool runAsAdmin, openWith, openAsAdmin, openWithAdmin;
    };
    const Case cases[] = {
        {L"C:\\apps\\editor.EXE", false, true, false, false, false},
        {L"C:\\apps\\editor.exe", true, false, false, false, false},
        {L"C:\\tools\\build.bat", false, true, true, false, true},
        {L"C:\\tools\\build.cmd", true, true, true, false, false},
        {L"C:\\windows\\system32\\ncpa.cpl", false, true, true, false, true},
        {L"C:\\docs\\letter.txt", false, false, true, true, true},
        {L"C:\\docs\\letter.txt", true, false, true, false, false},
        {L"C:\\docs\\README", false, false, false, false, false},
        {L"http://example.com", false, false, true, true, true},  // ".com" is an extension like any other
    };
    for (const Case& c : cases) {
        TTreeMenuPlan p = PlanTreeMenu(TMenuNode{c.path, false}, true, c.elevated, model, L"C:\\docs");
        std::string at = WideToUtf8(c.path) + (c.elevated ? " elevated" : "");
        EXPECT_EQ(p.runAsAdmin, c.runAsAdmin) << at;
        EXPECT_EQ(p.openWith, c.openWith) << at;
        EXPECT_EQ(p.openAsAdmin, c.openAsAdmin) << at;
        EXPECT_EQ(p.openWithAdmin, c.openWithAdmin) << at;
        EXPECT_FALSE(p.paste) << at;
        EXPECT_TRUE(p.recent.empty()) << at;
    }
    // Without a selected node only the delete entries depend on the tab.
    TTreeMenuPlan none = PlanTreeMenu(std::nullopt, true, false, model, L"C:\\docs");
    EXPECT_FALSE(none.runAsAdmin || none.openWith || none.openAsAdmin || none.openWithAdmin || none.paste);
    EXPECT_TRUE(none.deleteEntries);
    EXPECT_FALSE(PlanTreeMenu(std::nullopt, false, false, model, L"C:\\docs").deleteEntries);
}

TEST(TreeMenu, AFolderShowsPasteAndItsRecordedDocumentsUnderRecent) {
    test::TempDir dir;
    std::wstring folder = dir / L"Projects \u4E2D";
    ASSERT_TRUE(CreateFolderTree(folder + L"\\sub"));
    std::wstring a = folder + L"\\a.txt", b = folder + L"\\b.doc", deeper = folder + L"\\sub\\c.txt";
    for (const auto& f : {a, b, deeper}) ASSERT_TRUE(WriteFileReplacing(f, "x"));
    TRecordModel model;
    Add(model, nullptr, L"Projects", folder);
    int editor = Add(model, nullptr, L"editor", L"C:\\apps\\editor.exe", 7);
    TTreeNode* editorNode = nullptr;
    for (const auto& n : model.all.TopNodes())
        if (model.items.At(n->Index()).path == L"C:\\apps\\editor.exe") editorNode = n.get();
    Add(model, editorNode, L"a.txt", a, 12);
    Add(model, editorNode, L"b.doc", b, 13);
    Add(model, editorNode, L"c.txt", deeper, 14);  // in a subfolder: not the folder's document
    (void)editor;

    TTreeMenuPlan p = PlanTreeMenu(TMenuNode{folder + L"\\", false}, true, false, model, L"C:\\docs");
    EXPECT_TRUE(p.paste);
    ASSERT_EQ(p.recent.size(), 2u);
    EXPECT_EQ(p.recent[0].caption, L"a.txt");
    EXPECT_EQ(p.recent[0].target, a);
    EXPECT_EQ(p.recent[0].image, 12);
    EXPECT_EQ(p.recent[1].caption, L"b.doc");
    // On another tab "Recent" is hidden; a file never shows it.
    EXPECT_TRUE(PlanTreeMenu(TMenuNode{folder, false}, false, false, model, L"C:\\docs").recent.empty());
    EXPECT_TRUE(PlanTreeMenu(TMenuNode{a, false}, true, false, model, L"C:\\docs").recent.empty());
}

}  // namespace
}  // namespace qm
