#include "replay/icons.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/registry.h"
#include "base/unique_any.h"
#include "records/model.h"
#include "support/shortcuts.h"
#include "support/tempdir.h"

namespace qm {
namespace {

TEST(Icons, BaseImagesComeFromTheResource) {
    unique_himagelist list(CreateBaseImageList());
    ASSERT_TRUE(list);
    EXPECT_EQ(ImageList_GetImageCount(list.get()), kBaseImageCount);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list.get(), &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
}

TEST(Icons, RegisterIconRules) {
    test::TempDir dir;
    std::wstring folder = dir / L"Folder";
    ASSERT_TRUE(CreateFolderTree(folder));
    std::wstring desktop = dir / L"Desk";
    ASSERT_TRUE(CreateFolderTree(desktop));
    unique_himagelist list(CreateBaseImageList());
    struct Case {
        std::wstring path, title;
        int image;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Mozilla\\FIREFOX.EXE", L"", 13},
        {L"C:\\pics\\holiday.JPEG", L"", 8},
        {L"C:\\x\\notes.txt", L"", 9},
        {L"rundll32.exe C:\\WINDOWS\\System32\\shimgvw.dll,ImageView_Fullscreen", L"", 7},
        {L"Windows Photo Viewer", L"", 7},
        {L"http://example.com/a%20b", L"", 1},
        {L"C:\\site\\index.HTML", L"", 1},
        {L"C:\\x\\cmd.exe", L"", 28},
        {L"C:\\x\\archive.zip", L"", 77},
        {folder, L"", 0},
        {L"C:\\does\\not\\exist.abc", L"", 12},
        {L"relative.abc", L"", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(RegisterIcon(c.path, list.get(), c.title), c.image) << c.path;
    EXPECT_EQ(ImageList_GetImageCount(list.get()), kBaseImageCount);  // nothing appended so far

    // An existing file in no table gets the shell's icon, appended to the list.
    std::wstring tool = dir / L"tool.qmx";
    ASSERT_TRUE(WriteFileReplacing(tool, "x"));
    int index = RegisterIcon(tool, list.get(), L"tool");
    EXPECT_EQ(index, kBaseImageCount);
    EXPECT_EQ(ImageList_GetImageCount(list.get()), kBaseImageCount + 1);
    // A shell place is named by the title.
    std::wstring place = dir / L"place.qmy";
    ASSERT_TRUE(WriteFileReplacing(place, "x"));
    EXPECT_EQ(RegisterIcon(place, list.get(), L" Control Panel "), 4);
}

// Files of a type that draws one icon for all of them share one appended image;
// types whose files carry their own icon ask the shell for each file.
TEST(Icons, SharedIconsAreAppendedOncePerType) {
    struct Type {
        const wchar_t* ext;
        const wchar_t* type;         // the class the extension names, or none
        const wchar_t* defaultIcon;  // the class's icon, or none
        bool handler;                // an icon handler on the class
        bool shared;
    };
    const Type types[] = {
        {L".qmshared", L"QuilMarTest.Shared", L"shell32.dll,3", false, true},
        {L".qmbare", nullptr, nullptr, false, true},  // no registration: the system's icon for unknown files
        {L".qmpercent", L"QuilMarTest.Percent", L"\"%1\"", false, false},
        {L".qmhandler", L"QuilMarTest.Handler", L"shell32.dll,4", true, false},
        {L".exe", nullptr, nullptr, false, false},
        {L".ico", nullptr, nullptr, false, false},
    };
    // Under the machine's classes: Wine's HKEY_CLASSES_ROOT does not show the user's.
    const std::wstring classes = L"Software\\Classes\\";
    auto unregister = [&] {
        for (const Type& t : types) {
            if (!t.type) continue;
            DeleteKeyTree(HKEY_LOCAL_MACHINE, classes + t.ext, TRegView::Native);
            DeleteKeyTree(HKEY_LOCAL_MACHINE, classes + t.type, TRegView::Native);
        }
    };
    unregister();
    for (const Type& t : types) {
        if (!t.type) continue;
        ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, classes + t.ext, TRegView::Native, L"", t.type, nullptr));
        if (t.defaultIcon) {
            ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, classes + t.type + L"\\DefaultIcon", TRegView::Native, L"",
                                    t.defaultIcon, nullptr));
        }
        if (t.handler) {
            ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, classes + t.type + L"\\shellex\\IconHandler", TRegView::Native,
                                    L"", L"{00000000-0000-0000-0000-000000000001}", nullptr));
        }
    }

    test::TempDir dir;
    unique_himagelist list(CreateBaseImageList());
    TSharedIcons shared;
    for (const Type& t : types) {
        std::wstring a = dir / (std::wstring(L"first \u00E9") + t.ext), b = dir / (std::wstring(L"second") + t.ext);
        ASSERT_TRUE(WriteFileReplacing(a, "x"));
        ASSERT_TRUE(WriteFileReplacing(b, "x"));
        EXPECT_EQ(shared.SharedByType(t.ext), t.shared) << t.ext;
        int before = ImageList_GetImageCount(list.get());
        int first = RegisterIcon(a, list.get(), L"", &shared);
        int second = RegisterIcon(b, list.get(), L"", &shared);
        EXPECT_EQ(first, before) << t.ext;
        EXPECT_EQ(second, t.shared ? first : first + 1) << t.ext;
        EXPECT_EQ(ImageList_GetImageCount(list.get()), before + (t.shared ? 1 : 2)) << t.ext;
        // Without the store every file is asked for, as before.
        EXPECT_EQ(RegisterIcon(b, list.get(), L""), before + (t.shared ? 1 : 2)) << t.ext;
    }
    // A missing file and a shell place are not kept as the type's image.
    EXPECT_EQ(RegisterIcon(dir / L"missing.qmshared", list.get(), L"", &shared), 12);
    // The store hands out no image that a replaced (shorter) list lacks.
    unique_himagelist fresh(CreateBaseImageList());
    EXPECT_EQ(shared.Find(L".qmshared", fresh.get()), -1);
    EXPECT_GE(shared.Find(L".qmshared", list.get()), kBaseImageCount);
    unregister();
}

TEST(Icons, InstalledProgramsFromStartMenuFolders) {
    test::TempDir dir;
    std::wstring startMenu = dir / L"Start Menu", programs = startMenu + L"\\Programs\\";
    std::wstring apps = dir / L"apps";
    ASSERT_TRUE(CreateFolderTree(programs + L"Vendor"));
    ASSERT_TRUE(CreateFolderTree(programs + L"Vendor\\Deeper"));
    ASSERT_TRUE(CreateFolderTree(apps));
    for (const wchar_t* f : {L"Editor.exe", L"Setup.msi", L"panel.cpl", L"root.exe", L"deep.exe", L"Run.BAT"})
        ASSERT_TRUE(WriteFileReplacing(JoinPath(apps, f), "MZ"));
    ASSERT_TRUE(test::MakeShortcut(programs + L"My Editor.lnk", JoinPath(apps, L"Editor.exe")));
    ASSERT_TRUE(test::MakeShortcut(programs + L"Vendor\\Installer.lnk", JoinPath(apps, L"Setup.msi")));
    ASSERT_TRUE(test::MakeShortcut(programs + L"Vendor\\Panel.lnk", JoinPath(apps, L"panel.cpl")));
    ASSERT_TRUE(test::MakeShortcut(programs + L"Vendor\\Deeper\\Deep.lnk", JoinPath(apps, L"deep.exe")));
    ASSERT_TRUE(test::MakeShortcut(startMenu + L"\\Root Tool.lnk", JoinPath(apps, L"root.exe")));
    ASSERT_TRUE(test::MakeShortcut(programs + L"Batch.lnk", JoinPath(apps, L"Run.BAT")));

    TInstalledPrograms table;
    EXPECT_EQ(table.Name(JoinPath(apps, L"Editor.exe")), L"");  // not loaded yet
    table.LoadFrom({programs});
    EXPECT_TRUE(table.Loaded());
    EXPECT_EQ(table.Name(JoinPath(apps, L"EDITOR.exe")), L"My Editor");
    EXPECT_EQ(table.Name(L"  " + JoinPath(apps, L"Setup.msi")), L"Installer");
    EXPECT_EQ(table.Name(JoinPath(apps, L"Run.BAT")), L"Batch");
    EXPECT_EQ(table.Name(JoinPath(apps, L"root.exe")), L"Root Tool");  // through ".."
    EXPECT_EQ(table.Name(JoinPath(apps, L"panel.cpl")), L"");          // not a program
    EXPECT_EQ(table.Name(JoinPath(apps, L"deep.exe")), L"");           // two levels down
}

TEST(Icons, FolderScanFilters) {
    test::TempDir dir;
    ASSERT_TRUE(CreateFolderTree(dir / L"sub"));
    for (const wchar_t* f : {L"a.lnk", L"b.txt", L"sub\\c.lnk"}) ASSERT_TRUE(WriteFileReplacing(dir / f, ""));
    std::wstring hidden = dir / L"h.lnk";
    ASSERT_TRUE(WriteFileReplacing(hidden, ""));
    ::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    std::vector<std::wstring> all, lnk;
    ScanFolder(dir.Path() + L"\\sub\\", L".*", all);
    ScanFolder(dir.Path() + L"\\", L".LNK", lnk);
    // From "sub": its own file and, through "..", the parent's visible files.
    EXPECT_EQ(all.size(), 3u);
    EXPECT_EQ(lnk.size(), 2u);  // a.lnk and sub\c.lnk; the hidden one is skipped
}

}  // namespace
}  // namespace qm
