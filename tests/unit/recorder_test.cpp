#include "capture/recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/runningapps.h"
#include "support/fakecapture.h"
#include "support/shortcuts.h"
#include "support/tempdir.h"

namespace qm {
namespace {

std::vector<std::wstring> Texts(const std::vector<std::unique_ptr<TTreeNode>>& nodes) {
    std::vector<std::wstring> out;
    for (const auto& n : nodes) out.push_back(n->Text());
    return out;
}

const TTreeNode* TopWithText(const TDocTree& tree, const std::wstring& text) {
    for (const auto& n : tree.TopNodes())
        if (EqualsNoCase(n->Text(), text)) return n.get();
    return nullptr;
}

// "C:\users" for "C:\users\me\Temp\x": the drive and the first folder.
std::wstring FirstTwoParts(const std::wstring& path) {
    size_t cut = path.find(L'\\', 3);
    return path.substr(0, cut);
}

class Recorder : public ::testing::Test {
protected:
    Recorder() : recorder(model, options, images, L"C:\\no-documents-here") {
        options.webpage = true;
        options.filterPCStart = false;
        recorder.SetHost(&host, &host);
        recorder.SetSources(&apps, &locations, recentDir.Path(), linksDir / L"links");
        // Explorer windows stand for shell places; the rest are ordinary windows.
        recorder.classify = [](std::wstring&, std::wstring& path) {
            return EqualsNoCase(FileNameOf(path), L"explorer.exe") ? 1 : 0;
        };
    }

    std::wstring MakeFile(const std::wstring& name) {
        std::wstring path = files / name;
        test::WriteBytes(path, "x");
        return path;
    }
    // A Recent-folder shortcut to target.
    void AddRecent(const std::wstring& target) {
        static int n = 0;
        ASSERT_TRUE(test::MakeShortcut(recentDir / (L"r" + std::to_wstring(++n) + L".lnk"), target));
    }
    void Run(bool newRecord = true, bool smart = false) { recorder.Record({newRecord, smart, false}); }

    test::TempDir recentDir, linksDir, files;
    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    test::FakeApps apps;
    test::FakeLocations locations;
    test::FakeRecordHost host;
    TRecorder recorder;
    const std::wstring notepad = ToLower(NormaliseLocation(AssociationLookup(L"C:\\x.txt")));
};

TEST_F(Recorder, EmptyDesktopSavesAnEmptyNewRecordThroughEveryPhase) {
    Run();
    const std::vector<std::wstring> expected = {
        L"Recording now,please waiting...",
        L"Loading installed programs,please waiting...",
        L"Loading running applications,please waiting...",
        L"Loading running folder and web page,please waiting...",
        L"Loading recent documents,please waiting...",
        L"Loading startup programs,please waiting...",
        L"Recording running applications,please waiting...",
        L"Recording running files,please waiting...",
        L"Recording recent documents,please waiting...",
        L"Finish.",
        L"",
    };
    EXPECT_EQ(host.captions, expected);
    EXPECT_EQ(host.saves, std::vector<TSaveRule>{TSaveRule::New});
    EXPECT_TRUE(model.all.Empty());
    EXPECT_FALSE(host.progressShown);
    EXPECT_FALSE(host.rebuilding);
    EXPECT_EQ(images.resets, 1);
    EXPECT_EQ(host.allTabSelections, 1);
}

TEST_F(Recorder, SaveRuleFollowsTheRunMode) {
    struct Case {
        TRecordRun run;
        std::vector<TSaveRule> saves;
    } cases[] = {
        {{true, false, true}, {TSaveRule::Keep}},
        {{true, false, false}, {TSaveRule::New}},
        {{false, true, false}, {}},  // smart mode, nothing new
    };
    for (const Case& c : cases) {
        host.saves.clear();
        recorder.Record(c.run);
        EXPECT_EQ(host.saves, c.saves);
    }
}

TEST_F(Recorder, SmartModeAddsOnlyWhatIsNewAndSavesOnlyThen) {
    std::wstring editor = MakeFile(L"editor.exe");
    apps.apps = {{editor, L"Editor"}};
    Run();
    ASSERT_EQ(model.all.TopCount(), 1);
    int items = model.items.Count();

    host = {};
    Run(false, true);
    EXPECT_TRUE(host.saves.empty());
    EXPECT_EQ(model.all.TopCount(), 1);
    EXPECT_EQ(model.items.Count(), items);
    EXPECT_EQ(std::count(host.captions.begin(), host.captions.end(), L"Finish."), 0);
    EXPECT_FALSE(host.progressShown);

    apps.apps.push_back({MakeFile(L"viewer.exe"), L"Viewer"});
    Run(false, true);
    EXPECT_EQ(model.all.TopCount(), 2);
    EXPECT_EQ(host.saves, std::vector<TSaveRule>{TSaveRule::Selected});
    EXPECT_EQ(images.resets, 1);  // only the new record reset the images
}

TEST_F(Recorder, OneItemPerProgramButExplorerWindowsStayApart) {
    std::wstring editor = MakeFile(L"editor.exe");
    apps.apps = {{editor, L"Editor"},
                 {editor, L"Editor again"},
                 {L"C:\\windows\\explorer.exe", L"Recycle Bin"},
                 {L"C:\\windows\\explorer.exe", L"Control Panel"}};
    Run();
    EXPECT_EQ(Texts(model.all.TopNodes()), (std::vector<std::wstring>{L"Control Panel", L"Editor", L"Recycle Bin"}));
    EXPECT_EQ(model.app.TopCount(), 3);
    EXPECT_EQ(host.selectedPaths.back(), L"C:\\windows\\explorer.exe");
}

TEST_F(Recorder, ApplicationTitlesAndThePhotoViewer) {
    std::wstring noTitle = MakeFile(L"tool.exe");
    apps.apps = {{noTitle, L"  "},
                 {L"rundll32.exe C:\\windows\\system32\\shimgvw.dll,ImageView_Fullscreen", L"Photos"}};
    Run();
    EXPECT_EQ(Texts(model.all.TopNodes()), (std::vector<std::wstring>{L"Photos", L"tool"}));
    const TTreeNode* viewer = TopWithText(model.all, L"Photos");
    ASSERT_TRUE(viewer);
    EXPECT_EQ(model.items.At(viewer->Index()).path, L"Windows Photo Viewer");
}

TEST_F(Recorder, DocumentGoesUnderItsRecordedProgram) {
    if (notepad.empty()) GTEST_SKIP() << "no program for .txt";
    std::wstring doc = MakeFile(L"notes \u00E9.txt");
    AddRecent(doc);
    apps.apps = {{notepad, L"Notepad"}};
    Run();
    ASSERT_EQ(model.all.TopCount(), 1);
    const TTreeNode* app = model.all.Top(0);
    EXPECT_EQ(app->Text(), L"Notepad");
    EXPECT_EQ(Texts(app->Children()), std::vector<std::wstring>{L"notes \u00E9.txt"});
    EXPECT_EQ(model.items.At(app->Child(0)->Index()).path, doc);
    ASSERT_EQ(model.app.TopCount(), 1);
    EXPECT_EQ(model.app.Top(0)->ChildCount(), 1);
}

TEST_F(Recorder, ProgramIsRecordedForADocumentWhoseProgramIsNotRunning) {
    if (notepad.empty()) GTEST_SKIP() << "no program for .txt";
    images.installed[notepad] = L"Notepad (Start menu)";
    std::wstring doc = MakeFile(L"todo.txt");
    AddRecent(doc);
    Run();
    ASSERT_EQ(model.all.TopCount(), 1);
    const TTreeNode* app = model.all.Top(0);
    EXPECT_EQ(app->Text(), L"Notepad (Start menu)");
    EXPECT_TRUE(EqualsNoCase(model.items.At(app->Index()).path, notepad));
    EXPECT_EQ(Texts(app->Children()), std::vector<std::wstring>{L"todo.txt"});
}

TEST_F(Recorder, FoldersGroupUnderTheirTopFolder) {
    std::wstring a = files / L"Projects";
    std::wstring b = files / L"Other \u00FC";
    CreateFolderTree(a);
    CreateFolderTree(b);
    locations.locations = {{a, L"Projects"}, {b, L""}, {a + L"\\", L"again"}};
    Run();
    std::wstring key = FirstTwoParts(files.Path());
    ASSERT_EQ(model.all.TopCount(), 1);
    const TTreeNode* group = model.all.Top(0);
    EXPECT_EQ(group->Text(), key);
    EXPECT_EQ(model.items.At(group->Index()).path, key);
    std::wstring below = files.Path().substr(key.size() + 1);
    EXPECT_EQ(Texts(group->Children()), (std::vector<std::wstring>{below + L"\\Other \u00FC", below + L"\\Projects"}));
    ASSERT_EQ(model.path.TopCount(), 1);
    EXPECT_EQ(model.path.Top(0)->ChildCount(), 2);
    EXPECT_EQ(group->Image(), kImageFolder);
}

// A file names its node by its title, so its group key has no group node:
// a folder of the same key added after it still gets one.
TEST_F(Recorder, FolderAfterAFileOfTheSameKeyIsKept) {
    std::wstring doc = MakeFile(L"notes.txt");
    std::wstring folder = files / L"Projects";
    CreateFolderTree(folder);
    {
        TRecorder::TBatch batch(recorder);
        recorder.AddNewFileNameToDocTree(doc, L"notes.txt");
        recorder.AddNewFileNameToDocTree(folder, L"Projects");
    }
    std::wstring key = FirstTwoParts(files.Path());
    const TTreeNode* group = TopWithText(model.all, key);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->ChildCount(), 1);
    EXPECT_EQ(StripTrailingBackslash(model.items.At(group->Children()[0]->Index()).path), folder);
    EXPECT_EQ(model.path.TopCount(), 1);
    bool docKept = false;
    model.all.ForEachNode([&](TTreeNode* n) { docKept = docKept || model.items.At(n->Index()).path == doc; });
    EXPECT_TRUE(docKept);
}

TEST_F(Recorder, WebPagesGroupByHost) {
    struct Case {
        std::wstring address, title;
        std::vector<std::wstring> children;
    } cases[] = {
        {L"http://example.org/a", L"Page A", {L"Page A"}},
        {L"http://example.org/", L"Home", {}},
        {L"https://secure.example.net/b", L"Page B", {L"Page B"}},
    };
    for (const Case& c : cases) {
        model.ClearAll();
        locations.pages = {{c.address, c.title}};
        Run();
        std::wstring host = c.address.substr(c.address.find(L"//") + 2);
        host = host.substr(0, host.find(L'/'));
        ASSERT_EQ(model.all.TopCount(), 1) << c.address;
        EXPECT_EQ(model.all.Top(0)->Text(), host);
        EXPECT_EQ(Texts(model.all.Top(0)->Children()), c.children) << c.address;
        ASSERT_EQ(model.doc.TopCount(), 1);
        EXPECT_EQ(Texts(model.doc.Top(0)->Children()), c.children);
        EXPECT_TRUE(model.WebPageTabVisible());
    }
}

TEST_F(Recorder, WebPagesAreLeftOutWhenNotWanted) {
    options.webpage = false;
    locations.pages = {{L"http://example.org/a", L"A"}};
    Run();
    EXPECT_TRUE(model.all.Empty());
    EXPECT_EQ(locations.pageQueries, 0);
    EXPECT_EQ(locations.scansWantingPages, std::vector<bool>{false});
}

TEST_F(Recorder, RecordWebPagesTakesThePagesOfShellWindowsToo) {
    // The open-location scan is asked for the pages of Internet Explorer
    // windows as "Record web pages" says; the browsers are asked once more.
    locations.locations = {{L"http://example.org/news/today", L"Today"}};
    Run();
    EXPECT_EQ(locations.scansWantingPages, std::vector<bool>{true});
    EXPECT_EQ(locations.pageQueries, 1);
    ASSERT_EQ(model.all.TopCount(), 1);
    EXPECT_EQ(model.all.Top(0)->Text(), L"example.org");
    EXPECT_EQ(Texts(model.all.Top(0)->Children()), std::vector<std::wstring>{L"Today"});
}

TEST_F(Recorder, ShortDriveKeysShowTheTitle) {
    recorder.BuildNode(L"E:\\", L"Removable Disk (E:)", false);
    ASSERT_EQ(model.all.TopCount(), 1);
    EXPECT_EQ(model.all.Top(0)->Text(), L"Removable Disk (E:)");
    EXPECT_EQ(model.all.Top(0)->ChildCount(), 0);
}

TEST_F(Recorder, RecentShortcutToAShortcutIsRecordedByItsCopy) {
    std::wstring inner = files / L"inner.lnk";
    ASSERT_TRUE(test::WriteBytes(inner, "not a shell link"));
    AddRecent(inner);
    Run();
    std::wstring copy = linksDir / L"links\\inner.lnk";
    EXPECT_TRUE(IsExistingFile(copy));
    bool found = false;
    model.all.ForEachNode([&](TTreeNode* n) { found |= EqualsNoCase(model.items.At(n->Index()).path, copy); });
    EXPECT_TRUE(found);
}

TEST_F(Recorder, RecentDocumentsThatMustNotBeRecorded) {
    std::wstring hidden = MakeFile(L"hidden.txt");
    ::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    std::wstring gone = MakeFile(L"gone.txt");
    std::wstring bin = files / L"$RECYCLE.BIN";
    CreateFolderTree(bin);
    std::wstring binned = bin + L"\\thrown.txt";
    test::WriteBytes(binned, "x");
    for (const auto& p : {hidden, gone, binned}) AddRecent(p);
    ::DeleteFileW(gone.c_str());
    Run();
    EXPECT_TRUE(model.all.Empty());
}

TEST_F(Recorder, AddOneMarksWhatIsThereAndAddsWhatIsNot) {
    std::wstring doc = MakeFile(L"a.bin");
    EXPECT_TRUE(recorder.AddOne(doc, L""));
    int nodes = model.all.NodeCount();
    EXPECT_EQ(recorder.LastRecordedPath(), doc);
    recorder.SetLastRecordedPath(L"");
    EXPECT_FALSE(recorder.AddOne(doc, L""));
    EXPECT_EQ(model.all.NodeCount(), nodes);
    EXPECT_EQ(recorder.LastRecordedPath(), doc);
}

TEST_F(Recorder, TestsCompareLooselyAsTheyShould) {
    std::wstring folder = files / L"Data";
    CreateFolderTree(folder);
    std::wstring editor = MakeFile(L"editor.exe");
    recorder.AddLocation(folder, L"");
    recorder.AddLocation(editor, L"Editor");
    struct Case {
        const wchar_t* what;
        bool expected;
        bool actual;
    } cases[] = {
        {L"location with slash", true, recorder.IsRecordedLocation(folder + L"\\")},
        {L"location upper case", true, recorder.IsRecordedLocation(ToUpper(folder))},
        {L"location quoted command", true, recorder.IsRecordedLocation(L"\"" + editor + L"\" /x")},
        {L"location unknown", false, recorder.IsRecordedLocation(files / L"nothing")},
        {L"location empty", true, recorder.IsRecordedLocation(L"  ")},
        {L"application", true, recorder.IsApplicationRecorded(ToUpper(editor), L"whatever")},
        {L"application unknown", false, recorder.IsApplicationRecorded(files / L"x.exe", L"")},
        {L"recent doc", true, recorder.CheckIfRecentDocInTreeNode(editor)},
        {L"recent folder trailing", true, recorder.CheckIfRecentDocInTreeNode(folder + L"\\")},
        {L"recorded path", true, recorder.IsRecordedPath(L" " + editor + L" ", L"")},
        {L"recorded path other", false, recorder.IsRecordedPath(files / L"editor.ex", L"")},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST_F(Recorder, LookupsFollowChangesMadeOutsideTheRecorder) {
    std::wstring editor = MakeFile(L"editor.exe");
    {
        TRecorder::TBatch batch(recorder);
        recorder.AddLocation(editor, L"Editor");
        EXPECT_TRUE(recorder.IsApplicationRecorded(editor, L""));
        model.all.Remove(model.all.Top(0));  // the user deletes the node during a pump
        EXPECT_FALSE(recorder.IsApplicationRecorded(editor, L""));
        model.ClearAll();
        EXPECT_FALSE(recorder.IsRecordedPath(editor, L""));
        recorder.AddLocation(editor, L"Editor");
        EXPECT_TRUE(recorder.IsRecordedPath(editor, L""));
    }
}

// Past 5000 top-level nodes only the first 5000 count. Within one batch the
// lookups follow the adds (a node sorted in among them pushes the last one
// out, one sorted after them is not looked at) and must answer exactly as
// lookups made afresh from the finished tree.
TEST_F(Recorder, PastTheBoundABatchAnswersAsAFreshLookAtTheTree) {
    auto number = [](int i) {
        std::wstring n = std::to_wstring(i);
        return std::wstring(4 - n.size(), L'0') + n;
    };
    for (int i = 0; i < kWalkLimit; ++i) {
        std::wstring name = L"m" + number(i);
        int n = model.items.Append();
        model.items.At(n).path = files / (name + L".exe");
        model.items.At(n).title = name;
        model.all.Add(nullptr, name, n);
    }
    const std::wstring a1 = MakeFile(L"a1.exe"), a2 = MakeFile(L"a2.exe"), z1 = MakeFile(L"z1.exe");
    const std::wstring early = L"https://a.example/page", late = L"https://zz.example/page";
    const std::wstring probes[] = {files / L"m0000.exe",
                                   files / L"m4996.exe",
                                   files / L"m4997.exe",
                                   files / L"m4998.exe",
                                   files / L"m4999.exe",
                                   a1,
                                   a2,
                                   z1,
                                   early,
                                   late};
    auto answers = [&](TRecorder& r) {
        std::vector<std::string> out;
        for (const auto& p : probes)
            out.push_back(std::to_string(r.IsApplicationRecorded(p, L"")) + std::to_string(r.IsRecordedPath(p, L"")) +
                          std::to_string(r.IsRecordedLocation(p)) + std::to_string(r.CheckIfRecentDocInTreeNode(p)));
        return out;
    };
    std::vector<std::string> during;
    {
        TRecorder::TBatch batch(recorder);
        EXPECT_TRUE(recorder.IsApplicationRecorded(files / L"m4999.exe", L""));
        recorder.AddLocation(z1, L"z1");    // after the bound: not looked at
        recorder.AddLocation(a1, L"a1");    // pushes m4999 out
        recorder.AddLocation(early, L"A");  // its host group pushes m4998 out
        recorder.AddLocation(late, L"Z");   // its host group lies past the bound
        recorder.AddLocation(a2, L"a2");    // pushes m4997 out
        during = answers(recorder);
    }
    // A recorder that never saw the adds looks at the finished tree afresh.
    TRecorder fresh(model, options, images, L"C:\\no-documents-here");
    EXPECT_EQ(answers(fresh), during);
    EXPECT_EQ(answers(recorder), during);
    struct Case {
        size_t probe;
        bool recorded;
    } cases[] = {{0, true}, {1, true}, {2, false}, {3, false}, {4, false},
                 {5, true}, {6, true}, {7, false}, {8, true},  {9, false}};
    for (const Case& c : cases) EXPECT_EQ(recorder.IsRecordedPath(probes[c.probe], L""), c.recorded) << probes[c.probe];
    EXPECT_EQ(model.all.TopCount(), kWalkLimit + 5);
}

// The lookups one batch built serve the next only while nothing else changed
// the record in between; whatever did, the next batch answers from the record
// as it now stands.
TEST_F(Recorder, LookupsKeptBetweenBatchesServeOnlyAnUnchangedRecord) {
    const std::wstring editor = MakeFile(L"editor.exe"), other = MakeFile(L"other.exe");
    auto appendTop = [&](const std::wstring& path) {
        int n = model.items.Append();
        model.items.At(n).path = path;
        model.all.Add(nullptr, FileNameOf(path), n);
    };
    struct Case {
        const wchar_t* between;
        std::function<void()> change;
        bool editorRecorded, otherRecorded;
    } cases[] = {
        {L"nothing", [] {}, true, false},
        {L"the node deleted", [&] { model.all.Remove(model.all.Top(0)); }, false, false},
        {L"another record of the same size loaded",
         [&] {
             model.ClearAll();
             appendTop(other);
         },
         false, true},
        {L"an item and node added by a tree command", [&] { appendTop(other); }, true, true},
    };
    for (const Case& c : cases) {
        model.ClearAll();
        {
            TRecorder::TBatch batch(recorder);
            recorder.AddLocation(editor, L"Editor");
            ASSERT_EQ(model.all.TopCount(), 1) << c.between;
        }
        c.change();
        TRecorder::TBatch batch(recorder);
        EXPECT_EQ(recorder.IsRecordedPath(editor, L""), c.editorRecorded) << c.between;
        EXPECT_EQ(recorder.IsApplicationRecorded(editor, L""), c.editorRecorded) << c.between;
        EXPECT_EQ(recorder.IsRecordedPath(other, L""), c.otherRecorded) << c.between;
        // What the record lacks is added, what it holds is not added twice.
        const int tops = model.all.TopCount();
        EXPECT_EQ(recorder.AddOne(other, L"Other"), !c.otherRecorded) << c.between;
        EXPECT_EQ(model.all.TopCount(), tops + (c.otherRecorded ? 0 : 1)) << c.between;
    }
}

TEST_F(Recorder, StartupFilterRowsAreShownWhenAsked) {
    options.filterPCStart = true;
    options.displayPCStartFilterList = true;
    apps.startupRows = {{L"Agent", L"C:\\agent.exe"}};
    Run();
    EXPECT_TRUE(host.filterShown);
    EXPECT_EQ(recorder.FilterRows().size(), 1u);
    options.displayPCStartFilterList = false;
    Run();
    EXPECT_FALSE(host.filterShown);
}

TEST(ImageRuleTest, KindsOfText) {
    test::TempDir dir;
    const std::pair<std::wstring, int> cases[] = {
        {dir.Path(), kImageFolder}, {L"http://h/x", 2},     {L"C:\\a.ZIP", 9},  {L"C:\\Program\\WinRAR.exe", 9},
        {L"C:\\page.aspx", 2},      {L"C:\\photo.jpeg", 3}, {L"C:\\a.txt", 12}, {L"readme", 12},
    };
    for (const auto& [text, image] : cases) EXPECT_EQ(ImageRule(text), image) << text;
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST(AddItemListing, OpenLocationRows) {
    test::TempDir dir;
    std::wstring file = dir / L"report.txt";
    test::WriteBytes(file, "x");
    std::vector<TLocationPair> locations = {
        {L"  ", L"blank"}, {L"http://example.org/a", L"Page A"},     {dir.Path(), L"Folder"},
        {file, L"Report"}, {L"HTTP://EXAMPLE.ORG/a ", L"Same page"},  // listed already
    };
    std::vector<TAddItemRow> rows;
    std::vector<std::wstring> marked;
    int steps = 0;
    TAddItemListingHooks hooks;
    hooks.iconOf = [](const std::wstring&) { return 42; };
    hooks.setLastRecordedPath = [&](const std::wstring& p) { marked.push_back(p); };
    hooks.step = [&] { ++steps; };
    AppendOpenLocationRows(locations, rows, hooks);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].caption, L"Page A");
    EXPECT_EQ(rows[0].image, kImageWebPage);
    EXPECT_EQ(rows[1].path, dir.Path());
    EXPECT_EQ(rows[1].image, kImageFolder);
    EXPECT_EQ(rows[2].image, 42);
    EXPECT_EQ(marked.back(), file);
    EXPECT_EQ(steps, 4);  // every non-empty location moves the gauge
}

}  // namespace
}  // namespace qm
