// The rules of the extras that need no window: the update file, versions and
// links of the update check, the captions of the favourites menu, the rows of
// the startup programs manager.
#include <gtest/gtest.h>

#include <string>

#include "base/com.h"
#include "base/files.h"
#include "extras/favmenu.h"
#include "extras/httpsfetch.h"
#include "extras/pcstart.h"
#include "extras/shellmenu.h"
#include "extras/updatecheck.h"
#include "support/shortcuts.h"
#include "support/tempdir.h"

namespace qm {
namespace {

TEST(UpdateCheck, VersionsAreTenthsWrittenWithAPoint) {
    struct Case {
        const wchar_t* text;
        std::optional<int> tenths;
    };
    const Case cases[] = {
        {L"3.1", 31},
        {L" 3.0 ", 30},
        {L"3", 30},
        {L"12.9", 129},
        {L"3,1", std::nullopt},
        {L"3.10", std::nullopt},
        {L"3.", std::nullopt},
        {L".5", std::nullopt},
        {L"v3.1", std::nullopt},
        {L"-3.1", std::nullopt},
        {L"", std::nullopt},
        {L"3.1.2", std::nullopt},
        {L"1e1", std::nullopt},
        {L"999999.1", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(VersionTenths(c.text), c.tenths) << c.text;
    EXPECT_EQ(VersionText(31), L"3.1");
    EXPECT_EQ(VersionText(30), L"3.0");
    EXPECT_EQ(UpdateQuestion(30, 31),
              L"You have version 3.0. Version 3.1 is available from our web site.Do you want to download now?");
}

TEST(UpdateCheck, OnlyHttpLinksOnTheProductsHostAreOpened) {
    const std::wstring host = L"www.quilmar.com";
    struct Case {
        const wchar_t* link;
        bool ok;
    };
    const Case cases[] = {
        {L"https://www.quilmar.com/download", true},
        {L"http://www.quilmar.com/download?v=3.1", true},
        {L"  HTTPS://WWW.QuilMar.com/  ", true},
        {L"https://www.quilmar.com:443/download", true},
        {L"file:///C:/windows/system32/calc.exe", false},
        {L"C:\\windows\\system32\\calc.exe", false},
        {L"javascript:alert(1)", false},
        {L"ftp://www.quilmar.com/download", false},
        {L"https://www.quilmar.com.example.net/download", false},
        {L"https://www.quilmar.com@example.net/download", false},
        {L"https://user:pw@www.quilmar.com/download", false},
        {L"https://example.net/www.quilmar.com", false},
        {L"https://www.quilmar.com/a b", false},
        {L"https://www.quilmar.com/\" -new-window", false},
        {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsProductLink(c.link, host), c.ok) << c.link;
}

TEST(UpdateCheck, TheUpdateFileIsReadFromItsFirstElementsFirstItem) {
    test::TempDir dir;
    struct Case {
        const char* xml;
        const wchar_t* link;  // nullptr: nothing is read
        const wchar_t* version;
    };
    const Case cases[] = {
        {"<rss><channel><item><link>https://www.quilmar.com/d</link><version>3.1</version></item></channel></rss>",
         L"https://www.quilmar.com/d", L"3.1"},
        // White space before the first element is no element.
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<rss>\r\n  <channel>\r\n    <title>QuilMar</title>\r\n"
         "    <item>\r\n      <version> 3.1 </version>\r\n      <link>\r\n https://www.quilmar.com/d </link>\r\n"
         "    </item>\r\n    <item><link>https://other</link><version>9.9</version></item>\r\n  </channel>\r\n"
         "</rss>\r\n",
         L"https://www.quilmar.com/d", L"3.1"},
        {"<rss><channel><item><link><![CDATA[https://www.quilmar.com/d?a=1&b=2]]></link><version>3.0</version>"
         "</item></channel></rss>",
         L"https://www.quilmar.com/d?a=1&b=2", L"3.0"},
        // Only the first element of the document element counts.
        {"<rss><head/><channel><item><link>x</link><version>3.1</version></item></channel></rss>", nullptr, nullptr},
        {"<rss><channel><item><link>x</link></item></channel></rss>", nullptr, nullptr},
        {"<rss><channel><entry><link>x</link><version>3.1</version></entry></channel></rss>", nullptr, nullptr},
        // Files cut short.
        {"<rss><channel><item><link>x</link><version>3.1</version></item></channel>", nullptr, nullptr},
        {"<rss><channel><item><link>x</link><version>3.1", nullptr, nullptr},
        {"<rss><channel><item><link>x</link><version>3.1</version></item>", nullptr, nullptr},
        {"<!DOCTYPE rss [<!ENTITY e \"3.1\">]><rss><channel><item><link>x</link><version>&e;</version></item>"
         "</channel></rss>",
         nullptr, nullptr},
        {"not xml at all", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::wstring file = dir / (L"update" + std::to_wstring(n++) + L".xml");
        ASSERT_TRUE(WriteFileReplacing(file, c.xml));
        std::optional<TUpdateInfo> info = ReadUpdateFile(file);
        if (!c.link) {
            EXPECT_FALSE(info) << c.xml;
            continue;
        }
        ASSERT_TRUE(info) << c.xml;
        EXPECT_EQ(info->link, c.link);
        EXPECT_EQ(info->version, c.version);
    }
    EXPECT_FALSE(ReadUpdateFile(dir / L"missing.xml"));
}

TEST(UpdateCheck, OnlyHttpsAddressesAreFetched) {
    for (const wchar_t* url : {L"http://127.0.0.1:1/quilmar/update.xml", L"file:///C:/update.xml", L"ftp://a/b"}) {
        TFetchRequest request;
        request.url = url;
        EXPECT_EQ(FetchHttps(request).status, TFetchStatus::NotHttps) << url;
    }
}

TEST(FavoritesMenu, CaptionsAreCutAfterFourteenCharactersAndShowAmpersands) {
    EXPECT_EQ(MenuEntryCaption(L"Windows Update Catalogue", 14), L"Windows Update...");
    EXPECT_EQ(MenuEntryCaption(L"Fourteen chars", 14), L"Fourteen chars");
    EXPECT_EQ(MenuEntryCaption(L"Tom & Jerry", 14), L"Tom && Jerry");
    EXPECT_EQ(MenuEntryCaption(L"A very long history entry", 0), L"A very long history entry");
    EXPECT_EQ(AddressOfInfoTip(L"Example Page\r\n  http://example.com/page  "), L"http://example.com/page");
    EXPECT_EQ(AddressOfInfoTip(L"Example Page\nhttp://example.com/"), L"http://example.com/");
    EXPECT_EQ(AddressOfInfoTip(L"No address"), L"");
}

TEST(FavoritesMenu, ShortcutsAreReadWithoutUiAndWithoutBeingRewritten) {
    TComApartment com;
    test::TempDir dir;
    ASSERT_TRUE(WriteFileReplacing(dir / L"target.exe", "x"));
    ASSERT_TRUE(test::MakeShortcut(dir / L"moved.lnk", dir / L"target.exe"));
    ::DeleteFileW((dir / L"target.exe").c_str());  // the target has gone since
    std::optional<std::string> before = ReadFileBytes(dir / L"moved.lnk");
    ASSERT_TRUE(before);
    EXPECT_EQ(ShortcutTargetQuietly(dir / L"moved.lnk"), dir / L"target.exe");
    EXPECT_EQ(ReadFileBytes(dir / L"moved.lnk"), before);
    ASSERT_TRUE(WriteFileReplacing(dir / L"plain.txt", "not a shortcut"));
    EXPECT_EQ(ShortcutTargetQuietly(dir / L"plain.txt"), L"");
    ASSERT_TRUE(WriteFileReplacing(dir / L"a.url", "[InternetShortcut]\r\nURL=http://a.example/\r\n"));
    EXPECT_EQ(InternetShortcutUrl(dir / L"a.url"), L"http://a.example/");
    EXPECT_EQ(InternetShortcutUrl(dir / L"plain.txt"), L"");
}

TEST(StartupManager, RowsStartTheirProgramWithItsArgumentsOrTheirFile) {
    TComApartment com;
    test::TempDir dir;
    ASSERT_TRUE(WriteFileReplacing(dir / L"target.exe", "x"));
    ASSERT_TRUE(test::MakeShortcut(dir / L"Tool.lnk", dir / L"target.exe"));
    TStartRow run = MakeStartRow({TStartSource::UserRun, L"App", L"\"C:\\Program Files\\App\\app.exe\" -minimized"});
    EXPECT_EQ(run.caption, L"App");
    EXPECT_EQ(run.location, L"\"C:\\Program Files\\App\\app.exe\" -minimized");
    EXPECT_EQ(run.launchPath, L"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(run.command.program, L"C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(run.command.arguments, L"-minimized");
    TStartRow link = MakeStartRow({TStartSource::UserStartupFolder, L"Tool.lnk", dir / L"Tool.lnk"});
    EXPECT_EQ(link.caption, L"target.exe");  // the target's name
    EXPECT_EQ(link.location, dir / L"Tool.lnk");
    EXPECT_EQ(link.launchPath, dir / L"target.exe");
    EXPECT_EQ(link.command.program, dir / L"Tool.lnk");  // the shortcut brings its own arguments
    EXPECT_EQ(link.command.arguments, L"");
    TStartRow web = MakeStartRow({TStartSource::MachineRun, L"Page", L"https://example.com/start"});
    EXPECT_EQ(web.launchPath, L"https://example.com/start");
}

}  // namespace
}  // namespace qm
