#include "records/model.h"

#include <gtest/gtest.h>

#include <map>

namespace qm {
namespace {

std::vector<std::wstring> Texts(const TDocTree& t) {
    std::vector<std::wstring> out;
    for (const auto& n : t.TopNodes()) out.push_back(n->Text());
    return out;
}

int AddItem(TRecordModel& m, const std::wstring& title, int docType, int image = 0) {
    int i = m.items.Append();
    TMyDoc& d = m.items.At(i);
    d.title = title;
    d.path = L"C:\\" + title;
    d.groupKey = d.path;
    d.docType = docType;
    d.imageIndex = image;
    return i;
}

TEST(Model, ChildrenSortLikeATextSortedTreeViewAndEqualTextsKeepOrder) {
    TRecordModel m;
    const wchar_t* texts[] = {L"beta",       L"Alpha", L"alpha", L"Gamma",        L"\u00E4rger",    L"BETA", L"10",
                              L"9",          L"a-b",   L"ab",    L"A b",          L"\u00E9t\u00E9", L"ete",  L"z",
                              L"\u03A9mega", L"_x",    L"",      L"\u4E2D\u6587", L"Zebra",         L"(1)"};
    for (const wchar_t* t : texts) m.all.Add(nullptr, t, AddItem(m, t, 2));
    std::vector<std::wstring> got = Texts(m.all);
    // Ignoring case: Alpha/alpha keep insertion order, beta before BETA.
    auto pos = [&](const wchar_t* t) { return std::find(got.begin(), got.end(), t) - got.begin(); };
    EXPECT_LT(pos(L"Alpha"), pos(L"alpha"));
    EXPECT_LT(pos(L"beta"), pos(L"BETA"));
    EXPECT_LT(pos(L"alpha"), pos(L"beta"));
    EXPECT_LT(pos(L"BETA"), pos(L"Gamma"));
    for (size_t i = 1; i < got.size(); ++i) EXPECT_LE(CompareNodeText(got[i - 1], got[i]), 0);
}

// Children are placed by their sort keys: every pair of texts must order by
// key exactly as the locale compares them, or a tree would sort differently
// from the way it did.
TEST(Model, SortKeysOrderEveryPairAsTheLocaleCompares) {
    const std::wstring texts[] = {L"",
                                  L"a",
                                  L"A",
                                  L"ab",
                                  L"a b",
                                  L"a-b",
                                  L"a'b",
                                  L"co-op",
                                  L"coop",
                                  L"co op",
                                  L"10",
                                  L"9",
                                  L"09",
                                  L"1.txt",
                                  L"1 .txt",
                                  L"_x",
                                  L"(1)",
                                  L"[1]",
                                  L"~",
                                  L"\u00E4rger",
                                  L"arger",
                                  L"Arger",
                                  L"\u00E9t\u00E9",
                                  L"e\u0301te\u0301",
                                  L"ete",
                                  L"\u00C6on",
                                  L"aeon",
                                  L"stra\u00DFe",
                                  L"strasse",
                                  L"\uFF21BC",
                                  L"ABC",
                                  L"\u03A9mega",
                                  L"\u4E2D\u6587",
                                  L"\U0001F600 smile",
                                  L"smile",
                                  L"C:\\Users\\doc 10.txt",
                                  L"C:\\Users\\doc 2.txt",
                                  L"C:\\Users\\Doc 2.TXT",
                                  L"c:\\users\\doc-2.txt",
                                  L"https://example.com/a?b=1",
                                  std::wstring(300, L'x') + L"a",
                                  std::wstring(300, L'x') + L"B",
                                  std::wstring(1, wchar_t(0xD800)) + L" lone",
                                  L"tab\there"};
    for (const std::wstring& a : texts)
        for (const std::wstring& b : texts) {
            int byLocale = CompareNodeText(a, b);
            int byKey = NodeSortKey(a).compare(NodeSortKey(b));
            EXPECT_EQ((byLocale > 0) - (byLocale < 0), (byKey > 0) - (byKey < 0))
                << testing::PrintToString(a) << " / " << testing::PrintToString(b);
        }
}

TEST(Model, ItemTableIsAppendOnlyAndRemovingANodeKeepsTheEntry) {
    TRecordModel m;
    int a = AddItem(m, L"a", 2);
    int b = AddItem(m, L"b", 2);
    TTreeNode* na = m.all.Add(nullptr, L"a", a);
    m.all.Add(na, L"child", b);
    EXPECT_EQ(m.all.NodeCount(), 2);
    m.all.Remove(na);
    EXPECT_EQ(m.all.NodeCount(), 0);
    EXPECT_EQ(m.items.Count(), 2);
    EXPECT_EQ(m.items.Item(b).title, L"b");
    TMyDoc fresh = m.items.Item(m.items.Append());
    EXPECT_EQ(fresh.docType, 0);
    EXPECT_EQ(fresh.reservedFlag, 0);
    EXPECT_FALSE(fresh.expanded);
}

TEST(Model, PathAtReportsEachPathToTheHintLine) {
    TRecordModel m;
    int a = AddItem(m, L"x", 2);
    std::vector<std::wstring> shown;
    m.items.onPathRead = [&](const std::wstring& p) { shown.push_back(p); };
    EXPECT_EQ(m.items.PathAt(a), L"C:\\x");
    EXPECT_EQ(shown, std::vector<std::wstring>{L"C:\\x"});
}

TEST(Model, CategoryTreesTakeTwoLevelsByKindAndSkipOtherKinds) {
    TRecordModel m;
    struct Top {
        const wchar_t* title;
        int kind;
    };
    const Top tops[] = {{L"notepad", 2}, {L"C:\\Docs", 3}, {L"example.com", 1}, {L"odd0", 0}, {L"odd7", 7}};
    std::map<int, std::pair<int, int>> itemsOfKind;  // kind -> (top item, child item)
    for (const auto& t : tops) {
        int i = AddItem(m, t.title, t.kind, 5);
        TTreeNode* n = m.all.Add(nullptr, t.title, i);
        // A child of another kind is copied with its parent; a grandchild is not.
        int c = AddItem(m, std::wstring(t.title) + L" child", 9, 6);
        TTreeNode* child = m.all.Add(n, std::wstring(t.title) + L" child", c);
        m.all.Add(child, L"grandchild", AddItem(m, L"grandchild", t.kind));
        itemsOfKind[t.kind] = {i, c};
    }
    m.RebuildCategoryTrees();
    EXPECT_EQ(Texts(m.app), std::vector<std::wstring>{L"notepad"});
    EXPECT_EQ(Texts(m.path), std::vector<std::wstring>{L"C:\\Docs"});
    EXPECT_EQ(Texts(m.doc), std::vector<std::wstring>{L"example.com"});
    const std::pair<TDocTree*, int> trees[] = {{&m.app, 2}, {&m.path, 3}, {&m.doc, 1}};
    for (const auto& [t, kind] : trees) {
        ASSERT_EQ(t->TopCount(), 1);
        EXPECT_EQ(t->Top(0)->Image(), 5);
        ASSERT_EQ(t->Top(0)->ChildCount(), 1);
        EXPECT_EQ(t->Top(0)->Child(0)->Image(), 6);
        EXPECT_FALSE(t->Top(0)->Child(0)->HasChildren());
        // Each node points at the item it was copied from, so commands on a
        // category tree act on the right item.
        EXPECT_EQ(t->Top(0)->Index(), itemsOfKind[kind].first) << "kind " << kind;
        EXPECT_EQ(t->Top(0)->Child(0)->Index(), itemsOfKind[kind].second) << "kind " << kind;
    }
    EXPECT_EQ(m.all.NodeCount(), 15);
}

TEST(Model, CategoryTreesUseTheItemTitleNotTheNodeText) {
    TRecordModel m;
    int i = AddItem(m, L"Item title", 2, 3);
    m.all.Add(nullptr, L"Node text", i);
    m.RebuildCategoryTrees();
    ASSERT_EQ(m.app.TopCount(), 1);
    EXPECT_EQ(m.app.Top(0)->Text(), L"Item title");
    EXPECT_EQ(m.app.Top(0)->Index(), i);
}

TEST(Model, CategoryDerivationStopsAt5000TopLevelNodesAndPumps) {
    TRecordModel m;
    for (int k = 0; k < 6000; ++k) {
        wchar_t name[16];
        swprintf(name, 16, L"n%05d", k);
        m.all.Add(nullptr, name, AddItem(m, name, 2));
    }
    int pumps = 0;
    m.RebuildCategoryTrees([&] { ++pumps; });
    EXPECT_EQ(m.app.TopCount(), 5000);
    EXPECT_EQ(m.app.Top(4999)->Text(), L"n04999");
    EXPECT_EQ(pumps, 5000);
}

TEST(Model, WebPageTabAppearsWithTheFirstWebPageAndStays) {
    TRecordModel m;
    EXPECT_FALSE(m.WebPageTabVisible());
    m.NoteDocType(kDocFolder);
    EXPECT_FALSE(m.WebPageTabVisible());
    m.NoteDocType(kDocWebPage);
    m.ClearAll();
    EXPECT_TRUE(m.WebPageTabVisible());
}

TEST(Model, MirrorCallbacksSeeEveryChange) {
    TDocTree t;
    std::vector<std::wstring> log;
    t.onAdded = [&](TTreeNode* n, TTreeNode* previous) {
        log.push_back(L"+" + n->Text() + L"@" + std::to_wstring(t.SiblingIndex(n)) + L"/" +
                      (previous ? previous->Text() : L"-"));
    };
    t.onRemoving = [&](TTreeNode* n) { log.push_back(L"-" + n->Text()); };
    t.onCleared = [&] { log.push_back(L"clear"); };
    TTreeNode* b = t.Add(nullptr, L"b", 0);
    t.Add(nullptr, L"a", 1);
    t.Remove(b);
    t.Clear();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"+b@0/-", L"+a@0/-", L"-b", L"clear"}));
}

TEST(Model, SelectionKeepsItsOrderAndForgetsRemovedNodes) {
    TDocTree t;
    TTreeNode* a = t.Add(nullptr, L"a", 0);
    TTreeNode* b = t.Add(nullptr, L"b", 1);
    TTreeNode* c = t.Add(b, L"c", 2);
    t.Select(c, true);
    t.Select(a, true);
    t.Select(c, true);  // selecting again keeps its place
    EXPECT_EQ(t.SelectedNodes(), (std::vector<TTreeNode*>{c, a}));
    t.SetFocused(c);
    t.Remove(b);
    EXPECT_EQ(t.Focused(), nullptr);
    EXPECT_EQ(t.SelectedNodes(), std::vector<TTreeNode*>{a});
    t.ClearSelection();
    EXPECT_TRUE(t.SelectedNodes().empty());
}

}  // namespace
}  // namespace qm
