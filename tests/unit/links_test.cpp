#include "capture/links.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/recentdocs.h"
#include "support/shortcuts.h"
#include "support/tempdir.h"

namespace qm {
namespace {

TEST(Links, ResolutionOfRealShortcuts) {
    test::TempDir dir;
    std::wstring file = dir / L"report \u00E4.txt", folder = dir / L"Folder";
    std::wstring wide = dir / L"\u5831\u544A \u4E2D.txt";  // outside the system's code page
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    ASSERT_TRUE(WriteFileReplacing(wide, "x"));
    ASSERT_TRUE(test::MakeShortcut(dir / L"wide.lnk", wide));
    ASSERT_TRUE(CreateFolderTree(folder));
    ASSERT_TRUE(test::MakeShortcut(dir / L"file.lnk", file));
    ASSERT_TRUE(test::MakeShortcut(dir / L"folder.LNK", folder));
    ASSERT_TRUE(test::MakeShortcut(dir / L"gone.lnk", dir / L"deleted.txt"));
    struct Case {
        std::wstring path, expected;
    };
    const Case cases[] = {
        {dir / L"file.lnk", file},
        {dir / L"wide.lnk", wide},
        {dir / L"folder.LNK", folder},
        {dir / L"gone.lnk", dir / L"deleted.txt"},     // the target stays, existence is the caller's test
        {file, file},                                  // not a shortcut
        {dir / L"missing.lnk", dir / L"missing.lnk"},  // unreadable: the shortcut stands for itself
    };
    TLinkResolver resolver;
    for (const auto& c : cases) {
        EXPECT_TRUE(EqualsNoCase(resolver.Resolve(c.path), c.expected)) << c.path;
        EXPECT_TRUE(EqualsNoCase(ResolveLink(c.path), c.expected)) << c.path;
    }
}

TEST(Links, ShortcutToATargetNoFileCanHaveStandsForItself) {
    // A shell item without a file path gives a target with a character no
    // file name can hold: the shortcut stands for itself.
    test::TempDir dir;
    if (!test::MakeShortcut(dir / L"odd.lnk", L"C:\\shell?item\\x"))
        GTEST_SKIP() << "this system does not save a shortcut to such a target";
    TLinkResolver resolver;
    EXPECT_EQ(resolver.Resolve(dir / L"odd.lnk"), dir / L"odd.lnk");
    EXPECT_EQ(ResolveLink(dir / L"odd.lnk"), dir / L"odd.lnk");
}

// A class of our own in the registry, removed afterwards.
class TestClass {
public:
    TestClass(const std::wstring& ext, const std::wstring& cls, const std::wstring& keyUnderClass,
              const std::wstring& command, const std::wstring& shellDefault = L"")
        : ext_(ext), cls_(cls) {
        Set(ext_, cls_);
        if (!shellDefault.empty()) Set(cls_ + L"\\shell", shellDefault);
        Set(cls_ + L"\\" + keyUnderClass, command);
    }
    ~TestClass() {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, ext_.c_str());
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, cls_.c_str());
    }

private:
    static void Set(const std::wstring& key, const std::wstring& value) {
        unique_hkey k;
        ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
        ::RegSetValueExW(k.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring ext_, cls_;
};

TEST(Links, AssociationLookupThroughRealClasses) {
    test::TempDir dir;
    std::wstring app = dir / L"Program Files\\App\\app.exe";
    ASSERT_TRUE(CreateFolderTree(FolderOf(app)));
    ASSERT_TRUE(WriteFileReplacing(app, "MZ"));
    wchar_t root[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);

    TestClass a(L".qmta", L"qmtafile", L"Shell\\Open\\Command", L"%SystemRoot%\\system32\\NOTEPAD.EXE %1");
    TestClass b(L".qmtb", L"qmtbfile", L"Shell\\Open\\Command", L"\"" + app + L"\" \"%1\"");
    TestClass c(L".qmtc", L"qmtcfile", L"shell\\edit\\command", app + L" %1", L"edit");
    TestClass d(L".qmtd", L"qmtdfile", L"shell\\view\\command", L"rundll32 shimgvw.dll,ImageView_Fullscreen %1",
                L"view");

    EXPECT_TRUE(EqualsNoCase(AssociationLookup(L"C:\\report.QMTA"), std::wstring(root) + L"\\system32\\NOTEPAD.EXE"));
    EXPECT_EQ(AssociationLookup(L"C:\\x.qmtb"), app);
    EXPECT_EQ(AssociationLookup(L"C:\\x.qmtc"), app);  // the verb route, unquoted path with blanks
    EXPECT_EQ(RegistryCommandFor(L"C:\\x.qmtd"), L"rundll32.EXE");
    EXPECT_EQ(AssociationLookup(L"C:\\x.unregistered-ext"), L"");
    EXPECT_EQ(AssociationLookup(L"C:\\Tools\\tool.EXE"), L"C:\\Tools\\tool.EXE");  // a program is its own program
    ::SetEnvironmentVariableW(L"QM_TOOLS", L"D:\\Tools");
    EXPECT_EQ(AssociationLookup(L"%QM_TOOLS%\\setup.msi"), L"D:\\Tools\\setup.msi");
    EXPECT_EQ(ProgramOfEntry(L"\"" + app + L"\" /background"), app);
}

TEST(RecentDocuments, AgeWindows) {
    struct Case {
        bool on;
        int limit;
        double age;
        bool taken;
    };
    const Case cases[] = {
        {true, 60, 10000.0, true},   {true, 59, 58.9, true},       {true, 59, 59.0, false}, {true, 1, 0.5, true},
        {false, 60, 1.0 / 24, true}, {false, 60, 5.0 / 24, false}, {false, 1, 0.09, true},
    };
    for (const auto& c : cases) EXPECT_EQ(RecentAgeAccepted(c.on, c.limit, c.age), c.taken) << c.age;
}

TEST(RecentDocuments, ScanOfARealRecentFolder) {
    test::TempDir dir;
    std::wstring recent = dir / L"Recent", docs = dir / L"docs";
    ASSERT_TRUE(CreateFolderTree(recent));
    ASSERT_TRUE(CreateFolderTree(docs));
    struct Doc {
        const wchar_t* name;
        double ageDays;
        bool exists;
    };
    const Doc doc[] = {{L"B old.txt", 30, true},
                       {L"a recent.txt", 1.0 / 24, true},
                       {L"c five hours.txt", 5.0 / 24, true},
                       {L"deleted.txt", 0.01, false}};
    for (const auto& d : doc) {
        std::wstring target = JoinPath(docs, d.name);
        if (d.exists) {
            ASSERT_TRUE(WriteFileReplacing(target, "x"));
        }
        std::wstring link = JoinPath(recent, std::wstring(d.name) + L".lnk");
        ASSERT_TRUE(test::MakeShortcut(link, target));
        ASSERT_TRUE(test::AgeFile(link, d.ageDays));
    }
    ASSERT_TRUE(test::MakeShortcut(recent + L"\\folder.lnk", docs));
    std::wstring hidden = recent + L"\\hidden.lnk";
    ASSERT_TRUE(test::MakeShortcut(hidden, JoinPath(docs, L"a recent.txt")));
    ::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    TRecentDocuments list;
    TRecordOptions all;  // at the maximum: every age
    list.Scan(recent, all, false);
    EXPECT_EQ(list.List(),
              (std::vector<std::wstring>{docs, JoinPath(docs, L"a recent.txt"), JoinPath(docs, L"B old.txt"),
                                         JoinPath(docs, L"c five hours.txt")}));
    TRecordOptions off;
    off.recordRecentDocument = false;
    list.Scan(recent, off, false);
    EXPECT_EQ(list.List(), (std::vector<std::wstring>{docs, JoinPath(docs, L"a recent.txt")}));
    // Smart mode keeps what was there and adds.
    TRecordOptions week;
    week.recRecentDoc = 7;
    list.Scan(recent, week, true);
    EXPECT_EQ(list.List().size(), 3u);
}

TEST(RecentDocuments, ManyDocumentsOfOneFolderAreTakenFromOneListing) {
    // Documents and Downloads hold many recent documents: eight or more in one
    // folder are answered by a listing of that folder, and the listing must
    // give what asking for each file gives.
    test::TempDir dir;
    std::wstring recent = dir / L"Recent", docs = dir / L"Downloads", few = dir / L"Few";
    ASSERT_TRUE(CreateFolderTree(recent));
    ASSERT_TRUE(CreateFolderTree(docs));
    ASSERT_TRUE(CreateFolderTree(few));
    struct Doc {
        std::wstring folder, name;
        bool exists;
        DWORD extra;  // attributes set on the file
    };
    const Doc docList[] = {
        {docs, L"a.txt", true, 0},
        {docs, L"B report.docx", true, FILE_ATTRIBUTE_READONLY},
        {docs, L"\u00C4rger \u4E2D.txt", true, 0},
        {docs, L"hidden notes.txt", true, FILE_ATTRIBUTE_HIDDEN},
        {docs, L"gone one.pdf", false, 0},
        {docs, L"e.csv", true, 0},
        {docs, L"f.log", true, 0},
        {docs, L"gone two.zip", false, 0},
        {docs, L"h.ini", true, 0},
        {docs, L"Sub Folder", true, FILE_ATTRIBUTE_DIRECTORY},
        {few, L"one.txt", true, 0},
        {few, L"gone three.txt", false, 0},
    };
    std::vector<std::wstring> expected;
    int n = 0;
    for (const Doc& d : docList) {
        std::wstring target = JoinPath(d.folder, d.name);
        if (d.exists && d.extra == FILE_ATTRIBUTE_DIRECTORY) {
            ASSERT_TRUE(CreateFolderTree(target));
        } else if (d.exists) {
            ASSERT_TRUE(WriteFileReplacing(target, "x"));
            if (d.extra) {
                ASSERT_TRUE(::SetFileAttributesW(target.c_str(), d.extra));
            }
        }
        ASSERT_TRUE(test::MakeShortcut(recent + L"\\r" + std::to_wstring(++n) + L".lnk", target));
        if (d.exists) expected.push_back(target);
    }
    std::sort(expected.begin(), expected.end(),
              [](const std::wstring& a, const std::wstring& b) { return CompareNodeText(a, b) < 0; });

    TRecentDocuments list;
    list.Scan(recent, TRecordOptions{}, false);
    EXPECT_EQ(list.List(), expected);
    for (const Doc& d : docList) {
        std::wstring target = JoinPath(d.folder, d.name);
        std::optional<DWORD> scanned = list.ScannedAttributes(target);
        if (!d.exists) {
            EXPECT_FALSE(scanned.has_value()) << WideToUtf8(target);
            continue;
        }
        ASSERT_TRUE(scanned.has_value()) << WideToUtf8(target);
        EXPECT_EQ(*scanned, ::GetFileAttributesW(target.c_str())) << WideToUtf8(target);
        if (d.extra) {
            EXPECT_TRUE(*scanned & d.extra) << WideToUtf8(target);
        }
    }
    for (const Doc& d : docList)
        if (d.extra == FILE_ATTRIBUTE_READONLY || d.extra == FILE_ATTRIBUTE_HIDDEN)
            ::SetFileAttributesW(JoinPath(d.folder, d.name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(RecentDocuments, ListIsSortedWithoutDuplicatesIgnoringCase) {
    TRecentDocuments list;
    for (const wchar_t* p : {L"C:\\b.txt", L"C:\\A.txt", L"c:\\B.TXT", L"C:\\a.txt", L"C:\\c.txt"}) list.Add(p);
    EXPECT_EQ(list.List(), (std::vector<std::wstring>{L"C:\\A.txt", L"C:\\b.txt", L"C:\\c.txt"}));
}

// The list is asked for between adds (a hand-off notes documents while it
// attaches others): each answer holds every path added so far, in order.
TEST(RecentDocuments, ListFollowsEveryAddAndClear) {
    TRecentDocuments list;
    auto sorted = [](std::vector<std::wstring> v) {
        std::stable_sort(v.begin(), v.end(),
                         [](const std::wstring& a, const std::wstring& b) { return CompareNodeText(a, b) < 0; });
        return v;
    };
    std::vector<std::wstring> taken;
    const struct Step {
        const wchar_t* add;
        bool kept;
    } steps[] = {
        {L"C:\\m\\\u00C9t\u00E9.txt", true},  {L"C:\\a\\first.txt", true},  {L"C:\\z\\last.txt", true},
        {L"c:\\M\\\u00E9T\u00C9.TXT", false}, {L"C:\\m\\\u4E2D.txt", true}, {L"C:\\a\\first.txt", false},
        {L"C:\\b\\Stra\u00DFe.txt", true},    {L"C:\\A\\FIRST.txt", false},
    };
    for (const Step& s : steps) {
        const size_t before = list.Added().size();
        list.Add(s.add);
        EXPECT_EQ(list.Added().size(), before + (s.kept ? 1 : 0)) << WideToUtf8(s.add);
        if (s.kept) taken.push_back(s.add);
        EXPECT_EQ(list.List(), sorted(taken)) << WideToUtf8(s.add);
    }
    const unsigned generation = list.Generation();
    list.Clear();
    EXPECT_NE(list.Generation(), generation);
    EXPECT_TRUE(list.List().empty());
    EXPECT_TRUE(list.Added().empty());
    list.Add(L"C:\a\first.txt");
    EXPECT_EQ(list.List(), (std::vector<std::wstring>{L"C:\a\first.txt"}));
}

}  // namespace
}  // namespace qm
