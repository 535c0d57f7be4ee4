// The tree commands through the real main window: the context menu by the
// selected item, deleting after the question, searching every record without
// writing any, a dropped address captioned with its page's title, and the
// add-items dialog.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <deque>

#include "app/commands.h"
#include "app/menus.h"
#include "base/effects.h"
#include "base/listfile.h"
#include "gui/dialogscript.h"
#include "gui/mainwindowfixture.h"
#include "support/dataobject.h"
#include "support/httpserver.h"
#include "support/shortcuts.h"

namespace qm {
namespace {

using namespace test;

class TreeCommands : public TMainWindowFixture {
protected:
    TTreeNode* TopWithText(const std::wstring& text) {
        for (const auto& n : window->Model().all.TopNodes())
            if (n->Text() == text) return n.get();
        return nullptr;
    }
    std::string RecordBytes(const std::wstring& name) {
        return ReadFileBytes(JoinPath(records, name + L".quilmar")).value_or("");
    }
    // Answers the program's questions in turn (OK or Cancel) and notes them.
    std::deque<int> answers;
    std::vector<std::wstring> asked;
    TEffects Answering() {
        TEffects e = Effects();
        e.messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            asked.push_back(text);
            int a = answers.empty() ? IDCANCEL : answers.front();
            if (!answers.empty()) answers.pop_front();
            return a;
        };
        return e;
    }
};

std::string Doc(const std::wstring& text, const std::wstring& path) {
    return Item(WideToUtf8(text).c_str(), WideToUtf8(path).c_str(), 2);
}

TEST_F(TreeCommands, TheMenuOffersWhatTheSelectedItemTakes) {
    std::wstring folder = dir / L"Projects \u00E9";
    ASSERT_TRUE(CreateFolderTree(folder));
    std::wstring a = folder + L"\\a.txt", b = folder + L"\\b.txt";
    for (const auto& f : {a, b}) ASSERT_TRUE(WriteFileReplacing(f, "x"));
    WriteRecord(L"Dec 01,2026_001",
                Item("editor", "C:\\apps\\editor.exe", 2, (Doc(L"a.txt", a) + Doc(L"b.txt", b)).c_str()) +
                    Item("Projects", WideToUtf8(folder).c_str(), 3) + Item("letter.txt", "C:\\docs\\letter.txt", 2));
    Open();
    struct Case {
        const wchar_t* node;
        std::vector<unsigned> shown, hidden;
        size_t recent;
    };
    const Case cases[] = {
        {L"editor",
         {CmRunAsAdmin, CmDeleteSelected, CmDeleteAll},
         {CmOpenWith, CmOpenAsAdmin, CmOpenWithAdmin, CmPaste},
         0},
        {L"letter.txt", {CmOpenWith, CmOpenAsAdmin, CmOpenWithAdmin}, {CmRunAsAdmin, CmPaste}, 0},
        {L"Projects", {CmPaste, CmOpenLocationAfterPaste}, {CmRunAsAdmin, CmOpenWith}, 2},
    };
    for (const Case& c : cases) {
        TTreeNode* node = TopWithText(c.node);
        ASSERT_NE(node, nullptr) << WideToUtf8(c.node);
        window->TreeView(0).SelectOnly(node);
        unique_hmenu menu = window->BuildTreeMenu();
        for (unsigned id : c.shown)
            EXPECT_FALSE(MenuCaption(menu.get(), id).empty()) << WideToUtf8(c.node) << " " << id;
        for (unsigned id : c.hidden)
            EXPECT_TRUE(MenuCaption(menu.get(), id).empty()) << WideToUtf8(c.node) << " " << id;
        HMENU recent = SubmenuById(menu.get(), CmRecentFirst);
        EXPECT_EQ(recent ? static_cast<size_t>(::GetMenuItemCount(recent)) : 0u, c.recent) << WideToUtf8(c.node);
        if (c.recent) {
            EXPECT_EQ(MenuCaption(menu.get(), CmRecentFirst + 1), L"a.txt");
        }
    }
    // On another tab the delete entries are not offered.
    window->SelectTab(1);
    unique_hmenu other = window->BuildTreeMenu();
    EXPECT_TRUE(MenuCaption(other.get(), CmDeleteSelected).empty());
    EXPECT_TRUE(MenuCaption(other.get(), CmDeleteAll).empty());
}

TEST_F(TreeCommands, DeletingAsksFirstAndSavesTheSelectedRecord) {
    WriteRecord(L"Dec 01,2026_001", Item("keep", "C:\\apps\\keep.exe", 2) + Item("drop", "C:\\apps\\drop.exe", 2));
    Open();
    TEffectsOverride answering(Answering());
    const std::string before = RecordBytes(L"Dec 01,2026_001");
    window->TreeView(0).SelectOnly(TopWithText(L"drop"));
    answers = {IDCANCEL};
    window->RunCommand(CmDeleteSelected);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], L"Are you sure you want to remove selected item of current record?");
    EXPECT_EQ(RecordBytes(L"Dec 01,2026_001"), before);
    EXPECT_NE(TopWithText(L"drop"), nullptr);

    // Pressed on the "Application" tab, Delete takes the nodes selected in the All tree.
    window->SelectTab(1);
    window->TreeView(0).SelectOnly(TopWithText(L"drop"));
    answers = {IDOK};
    ::SendMessageW(window->TreeView(1).Handle(), WM_KEYDOWN, VK_DELETE, 0);
    Settle();
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    EXPECT_FALSE(TreeHasPath(saved, L"C:\\apps\\drop.exe"));
    EXPECT_TRUE(TreeHasPath(saved, L"C:\\apps\\keep.exe"));
    EXPECT_EQ(TopWithText(L"drop"), nullptr);

    answers = {IDOK};
    window->SelectTab(0);
    window->RunCommand(CmDeleteAll);
    TRecordModel empty;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), empty);
    EXPECT_EQ(empty.all.TopCount(), 0);
}

TEST_F(TreeCommands, SearchShowsEveryRecordsMatchesAndNothingOfThemIsSaved) {
    WriteRecord(L"Dec 01,2026_001",
                Item("Holiday photos", "http://photos.example/h", 1) + Item("Bank", "C:\\bank.exe", 2));
    WriteRecord(L"Dec 02,2026_001", Item("plan", "C:\\office\\HOLIDAY plan.doc", 2) + Item("mail", "C:\\mail.exe", 2));
    store->User().WriteInteger(keys::kSectionDefault, keys::LbRECs, 0);
    Open();
    const std::string first = RecordBytes(L"Dec 01,2026_001"), second = RecordBytes(L"Dec 02,2026_001");
    ::SendMessageW(window->Handle(), WM_KEYDOWN, 'F', 0);  // not a shortcut by itself
    window->RunCommand(CmSearch);
    HWND combo = ::FindWindowExW(window->Handle(), nullptr, WC_COMBOBOXW, nullptr);
    ASSERT_NE(combo, nullptr);
    ::SetWindowTextW(combo, L"  HoLiDaY ");
    window->RunCommand(CmSearchGo);
    Settle();
    EXPECT_TRUE(window->Searching());
    EXPECT_TRUE(TreeHasPath(window->Model(), L"http://photos.example/h"));
    EXPECT_TRUE(TreeHasPath(window->Model(), L"C:\\office\\HOLIDAY plan.doc"));
    EXPECT_FALSE(TreeHasPath(window->Model(), L"C:\\bank.exe"));
    // Expanding a result or closing the window writes nothing into a record.
    for (const auto& n : window->Model().all.TopNodes())
        if (n->HasChildren()) window->Records().NodeExpansionChanged(n.get(), true);
    EXPECT_EQ(RecordBytes(L"Dec 01,2026_001"), first);
    EXPECT_EQ(RecordBytes(L"Dec 02,2026_001"), second);
    EXPECT_FALSE(PathExists(JoinPath(records, L"Dec 01,2026_001.quilmartreesel")));

    // A drop leaves the results and goes into the selected record.
    std::wstring dropped = dir / L"dropped.bin";
    ASSERT_TRUE(WriteFileReplacing(dropped, "x"));
    ::SendMessageW(window->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped})), 0);
    Settle();
    EXPECT_FALSE(window->Searching());
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    EXPECT_TRUE(TreeHasPath(saved, dropped));
    EXPECT_FALSE(TreeHasPath(saved, L"C:\\office\\HOLIDAY plan.doc"));
    EXPECT_EQ(RecordBytes(L"Dec 02,2026_001"), second);
}

TEST_F(TreeCommands, ADroppedAddressIsCaptionedWithItsPagesTitle) {
    TLocalHttpServer server({{"/page", TLocalHttpServer::Page("<title>Served &amp; Titled</title>")}});
    WriteRecord(L"Dec 01,2026_001", Item("notepad", "C:\\windows\\notepad.exe", 2));
    Open();
    std::wstring address = server.Url("/page");
    TTextDataObject data(address + L"\r\nsome words that are no path\r\n");
    DWORD effect = 0;
    ASSERT_NE(window->DropTarget(), nullptr);
    EXPECT_EQ(window->DropTarget()->DragEnter(&data, 0, POINTL{0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(window->DropTarget()->Drop(&data, 0, POINTL{0, 0}, &effect), S_OK);
    Settle();
    bool titled = false;
    window->Model().all.ForEachNode([&](TTreeNode* n) { titled |= n->Text() == L"Served & Titled"; });
    EXPECT_TRUE(titled);
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    EXPECT_TRUE(TreeHasPath(saved, address));
    EXPECT_FALSE(TreeHasPath(saved, L"some words that are no path"));
}

TEST_F(TreeCommands, TheAddItemsDialogAddsAnInstalledProgramAndATypedAddress) {
    WriteRecord(L"Dec 01,2026_001", Item("notepad", "C:\\windows\\notepad.exe", 2));
    std::wstring tool = dir / L"Tool \u00E9.exe";
    ASSERT_TRUE(WriteFileReplacing(tool, "MZ"));
    std::wstring menuFolder = JoinPath(SpecialFolder(CSIDL_PROGRAMS), L"QuilMar Test Tools");
    ASSERT_TRUE(CreateFolderTree(menuFolder));
    ASSERT_TRUE(MakeShortcut(JoinPath(menuFolder, L"Test Tool.lnk"), tool));
    // Two more programs the dialog lists (and draws icons for) but nobody adds.
    for (const wchar_t* other : {L"Other One.exe", L"Other Two.exe"}) {
        ASSERT_TRUE(WriteFileReplacing(dir / other, "MZ"));
        ASSERT_TRUE(MakeShortcut(JoinPath(menuFolder, std::wstring(other) + L".lnk"), dir / other));
    }
    Open();
    const int recordImages = ImageList_GetImageCount(window->Model().Images());
    TFrmActionAdd* dialog = nullptr;
    auto dialogWindow = [&] {
        dialog = window->AddItemsDialog();
        return dialog ? dialog->Handle() : nullptr;
    };
    // The installed program, chosen on the first page.
    TDialogScript::Start(dialogWindow, {[&] {
                             if (dialog->Filling() || dialog->ActivePage() != TFrmActionAdd::kInstalled) return false;
                             TReportList& list = dialog->List(TFrmActionAdd::kInstalled);
                             for (int i = 0; i < list.Count(); ++i)
                                 if (EqualsNoCase(list.Text(i, 1), tool)) list.SelectOnly(i);
                             if (list.SelectedRows().empty()) return false;
                             ::PostMessageW(dialog->Handle(), WM_COMMAND, IDOK, 0);
                             return true;
                         }});
    window->RunCommand(CmAdd);
    EXPECT_TRUE(TDialogScript::Completed());
    // The dialog's icons go into its own list; the record's list (saved with the
    // record) takes only the icon of what was added.
    ASSERT_NE(dialog, nullptr);
    EXPECT_GE(ImageList_GetImageCount(dialog->Images()), kBaseImageCount + 3);
    EXPECT_LE(ImageList_GetImageCount(window->Model().Images()), recordImages + 1);
    // A typed address with no row chosen.
    const std::wstring typed = L"https://example.org/typed";
    TDialogScript::Start(dialogWindow, {[&] {
                             if (dialog->Filling()) return false;
                             ::SetDlgItemTextW(dialog->Handle(), TFrmActionAdd::kIdEdtAction, typed.c_str());
                             ::PostMessageW(dialog->Handle(), WM_COMMAND, IDOK, 0);
                             return true;
                         }});
    window->RunCommand(CmAdd);
    EXPECT_TRUE(TDialogScript::Completed());
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    EXPECT_TRUE(TreeHasPath(saved, tool));
    EXPECT_TRUE(TreeHasPath(saved, typed));
    auto selected = window->Model().all.SelectedNodes();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(window->Model().items.At(selected[0]->Index()).path, typed);
    EXPECT_EQ(store->User().ReadString(keys::kSectionDefault, keys::EdtAction, L""), typed);
    EXPECT_EQ(store->User().ReadInteger(keys::kSectionAddDocument, keys::FrmActionAddInd, -1), 0);
    RemoveTree(menuFolder);
}

// Full Expand of a large record shows its progress and keeps the window
// answering as it goes (under the busy guard); Stop ends it where it is, and
// Full Collapse puts every node back.
TEST_F(TreeCommands, FullExpandOfALargeRecordShowsProgressAndStops) {
    std::string items;
    for (int p = 0; p < 1500; ++p) {
        std::string docs;
        for (int d = 0; d < 3; ++d)
            docs += Item(("doc " + std::to_string(p) + "-" + std::to_string(d) + ".txt").c_str(),
                         ("C:\\docs\\doc " + std::to_string(p) + "-" + std::to_string(d) + ".txt").c_str(), 2);
        items += Item(("program " + std::to_string(p)).c_str(), ("C:\\apps\\p" + std::to_string(p) + ".exe").c_str(), 2,
                      docs.c_str());
    }
    WriteRecord(L"Dec 01,2026_001", items);
    Open();
    struct TSeen {
        TQuilmarWindow* window = nullptr;
        int ticks = 0;
        bool shown = false, busy = false, stop = false;
        std::wstring caption;
    };
    static TSeen seen;
    seen = TSeen{};
    seen.window = window.get();
    auto watch = [](HWND, UINT, UINT_PTR, DWORD) {
        ++seen.ticks;
        seen.shown = seen.shown || seen.window->Progress().Shown();
        seen.busy = seen.busy || seen.window->Busy().Busy();
        if (seen.caption.empty()) seen.caption = seen.window->Progress().HintText();
        if (seen.stop) seen.window->Progress().RequestStop();
    };
    UINT_PTR timer = ::SetTimer(nullptr, 0, 1, watch);
    window->RunCommand(CmFullExpand);
    ::KillTimer(nullptr, timer);
    EXPECT_GT(seen.ticks, 0) << "no message was handled during the expansion";
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.busy);
    EXPECT_EQ(seen.caption, L"Full Expand");
    EXPECT_FALSE(window->Progress().Shown());
    TDocTree& all = window->Model().all;
    for (const auto& top : all.TopNodes()) ASSERT_TRUE(top->Expanded()) << WideToUtf8(top->Text());
    HWND tv = window->TreeView(0).Handle();
    EXPECT_EQ(TreeView_GetCount(tv), 6000u);

    // The expansion file was written once for the whole walk, and says so.
    const std::wstring expansion = JoinPath(records, L"Dec 01,2026_001.quilmartreesel");
    auto lines = ReadListFile(expansion).value_or(std::vector<std::wstring>{});
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"1"), static_cast<std::ptrdiff_t>(lines.size()));
    window->RunCommand(CmFullCollapse);
    for (const auto& top : all.TopNodes()) ASSERT_FALSE(top->Expanded());
    lines = ReadListFile(expansion).value_or(std::vector<std::wstring>{});
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"1"), 0);
    EXPECT_FALSE(lines.empty());

    // Stopped at the first message: the walk ends long before the last node.
    seen = TSeen{};
    seen.window = window.get();
    seen.stop = true;
    timer = ::SetTimer(nullptr, 0, 1, watch);
    window->RunCommand(CmFullExpand);
    ::KillTimer(nullptr, timer);
    ASSERT_GT(seen.ticks, 0);
    EXPECT_FALSE(all.TopNodes().back()->Expanded());
    EXPECT_FALSE(window->Progress().Shown());
    EXPECT_FALSE(window->Progress().StopRequested());

    // A tab chosen during the walk is the only tree shown after it.
    window->RunCommand(CmFullCollapse);
    static bool switched;
    switched = false;
    timer = ::SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR, DWORD) {
        if (!switched) seen.window->SelectTab(1);
        switched = true;
    });
    seen = TSeen{};
    seen.window = window.get();
    window->RunCommand(CmFullExpand);
    ::KillTimer(nullptr, timer);
    ASSERT_TRUE(switched);
    for (int tab = 0; tab < 4; ++tab)
        EXPECT_EQ(::IsWindowVisible(window->TreeView(tab).Handle()) != FALSE, tab == 1) << tab;
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// A collapsed node's children are not on screen until it is expanded; everything
// that reaches them must still find them: selection by path, Ctrl+A, deletion
// and the expansion file.
TEST_F(TreeCommands, ChildrenOfACollapsedNodeAreReachedBeforeTheyAreShown) {
    WriteRecord(L"Dec 01,2026_001",
                Item("notepad", "C:\\windows\\notepad.exe", 2,
                     (Item("a.txt", "C:\\docs\\a.txt", 2) + Item("b.txt", "C:\\docs\\b.txt", 2)).c_str()) +
                    Item("other", "C:\\apps\\other.exe", 2));
    Open();
    TDocTreeView& view = window->TreeView(0);
    HWND tv = view.Handle();
    TTreeNode* notepad = TopWithText(L"notepad");
    ASSERT_NE(notepad, nullptr);
    TTreeNode* b = notepad->Child(1);
    ASSERT_EQ(b->viewItem, nullptr);  // not on screen yet
    // The control offers to expand it all the same.
    TVITEMW item{};
    item.mask = TVIF_CHILDREN;
    item.hItem = static_cast<HTREEITEM>(notepad->viewItem);
    TreeView_GetItem(tv, &item);
    EXPECT_EQ(item.cChildren, 1);

    // Selection by path goes into it: expanded, selected and painted so.
    window->SelectItemByPath(L"C:\\docs\\b.txt");
    ASSERT_NE(b->viewItem, nullptr);
    EXPECT_TRUE(b->Selected());
    EXPECT_TRUE(TreeView_GetItemState(tv, static_cast<HTREEITEM>(b->viewItem), TVIS_SELECTED) & TVIS_SELECTED);
    EXPECT_TRUE(TreeView_GetItemState(tv, static_cast<HTREEITEM>(notepad->viewItem), TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_TRUE(notepad->Expanded());

    // Ctrl+A on a collapsed tree selects the children too; they show selected
    // once their parent is expanded.
    view.Expand(notepad, false);
    window->Records().NodeExpansionChanged(notepad, false);
    window->Records().SelectRecord();
    notepad = TopWithText(L"notepad");
    ASSERT_EQ(notepad->Child(0)->viewItem, nullptr);
    view.SelectTopLevelAndChildren();
    EXPECT_EQ(window->Model().all.SelectedNodes().size(), 4u);
    view.Expand(notepad, true);
    TTreeNode* a = notepad->Child(0);
    ASSERT_NE(a->viewItem, nullptr);
    EXPECT_TRUE(TreeView_GetItemState(tv, static_cast<HTREEITEM>(a->viewItem), TVIS_SELECTED) & TVIS_SELECTED);

    // Deleting a child that was never on screen saves the record without it.
    view.Expand(notepad, false);
    window->Records().NodeExpansionChanged(notepad, false);
    window->Records().SelectRecord();
    notepad = TopWithText(L"notepad");
    ASSERT_EQ(notepad->Child(0)->viewItem, nullptr);
    TEffectsOverride answering(Answering());
    answers = {IDOK};
    view.DeselectAll();
    window->Model().all.Select(notepad->Child(0), true);
    window->RunCommand(CmDeleteSelected);
    Settle();
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    EXPECT_FALSE(TreeHasPath(saved, L"C:\\docs\\a.txt"));
    EXPECT_TRUE(TreeHasPath(saved, L"C:\\docs\\b.txt"));
    EXPECT_EQ(TopWithText(L"notepad")->ChildCount(), 1);
}

}  // namespace
}  // namespace qm
