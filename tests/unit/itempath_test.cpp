#include "setup/itempath.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/strings.h"

namespace qm {
namespace {

const std::wstring kRoot = L"C:\\Program Files\\QuilMar\\";

TEST(ItemPath, PlainRelativePathsLandBelowTheFolder) {
    struct Case {
        const wchar_t* item;
        const wchar_t* expected;
    } cases[] = {
        {L"quilmar.exe", L"quilmar.exe"},
        {L"docs\\deep\\note.txt", L"docs\\deep\\note.txt"},
        {L"docs/deep/note.txt", L"docs\\deep\\note.txt"},
        {L"résumé 日本語.txt", L"résumé 日本語.txt"},
        {L"a..b.txt", L"a..b.txt"},
        {L".hidden", L".hidden"},
        {L"console.txt", L"console.txt"},
        {L"COM10", L"COM10"},
    };
    for (const Case& c : cases) {
        for (const std::wstring& folder : {kRoot, std::wstring(L"C:\\Program Files\\QuilMar")}) {
            std::optional<std::wstring> path = ResolveItemPath(folder, c.item);
            ASSERT_TRUE(path.has_value()) << WideToUtf8(c.item);
            EXPECT_EQ(*path, kRoot + c.expected) << WideToUtf8(c.item);
        }
    }
}

TEST(ItemPath, PathsThatLeaveTheFolderOrThatWindowsWouldRewriteAreRefused) {
    for (const wchar_t* item : {L"",
                                L"..",
                                L".",
                                L"..\\evil.txt",
                                L"..\\..\\evil.txt",
                                L"../../evil.txt",
                                L"docs\\..\\..\\evil.txt",
                                L"docs\\.\\note.txt",
                                L"...",
                                L"\\evil.txt",
                                L"/evil.txt",
                                L"C:\\evil.txt",
                                L"C:evil.txt",
                                L"C:/evil.txt",
                                L"\\\\server\\share\\evil.txt",
                                L"//server/share/evil.txt",
                                L"\\\\?\\C:\\evil.txt",
                                L"\\\\.\\PhysicalDrive0",
                                L"notes.txt:hidden",
                                L"notes.txt::$DATA",
                                L"docs\\\\note.txt",
                                L"docs\\",
                                L"CON",
                                L"con.txt",
                                L"sub\\NUL",
                                L"Aux.log",
                                L"prn",
                                L"COM1",
                                L"lpt9.txt",
                                L"CON .txt",
                                L"trailing.",
                                L"trailing ",
                                L"docs.\\note.txt",
                                L"docs \\note.txt",
                                L"a<b",
                                L"a>b",
                                L"a|b",
                                L"a\"b",
                                L"a?b",
                                L"a*b",
                                L"tab\tname",
                                L"line\nbreak"}) {
        EXPECT_FALSE(ResolveItemPath(kRoot, item).has_value()) << WideToUtf8(item);
    }
}

TEST(ItemPath, FolderPathsAreFullWithOneTrailingBackslash) {
    EXPECT_EQ(FullFolderPath(L"C:\\Apps"), L"C:\\Apps\\");
    EXPECT_EQ(FullFolderPath(L"C:\\Apps\\"), L"C:\\Apps\\");
    EXPECT_EQ(FullFolderPath(L"C:/Apps/Q"), L"C:\\Apps\\Q\\");
    EXPECT_EQ(FullFolderPath(L""), L"");
    EXPECT_EQ(FullFolderPath(L"  "), L"");
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_TRUE(StartsWithNoCase(FullFolderPath(L"relative"), current)) << WideToUtf8(FullFolderPath(L"relative"));
    // A long folder is still resolved, and items below it too.
    std::wstring deep = L"C:\\" + std::wstring(300, L'x') + L"\\";
    EXPECT_EQ(FullFolderPath(deep), deep);
    EXPECT_EQ(ResolveItemPath(deep, L"a.txt").value_or(L""), deep + L"a.txt");
}

}  // namespace
}  // namespace qm
