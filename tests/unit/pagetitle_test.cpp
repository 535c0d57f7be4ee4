// Page titles for dropped and pasted addresses: what is taken of a page, and a
// fetch against a server on 127.0.0.1 that is bounded in time and size.
#include "capture/pagetitle.h"

#include <gtest/gtest.h>

#include "base/strings.h"
#include "support/httpserver.h"

namespace qm {
namespace {

using test::TLocalHttpServer;

TEST(PageTitle, WhatIsTakenOfAPage) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string contentType;
        std::optional<std::wstring> title;
    };
    const Case cases[] = {
        {"plain", "<html><head><title>Example Domain</title></head></html>", "", L"Example Domain"},
        {"tag case", "<HTML><TITLE>Shouting</Title></HTML>", "", L"Shouting"},
        {"attributes", "<title lang=\"en\">With attributes</title>", "", L"With attributes"},
        {"no title", "<html><body>no title here</body></html>", "", std::nullopt},
        {"unclosed", "<title>never closed", "", std::nullopt},
        {"empty", "<title>  \r\n </title>", "", std::nullopt},
        {"titlebar is no title", "<titlebar>x</titlebar><title>Real</title>", "", L"Real"},
        {"entities", "<title>Fish &amp; Chips &lt;3 &#39;n&#x27; &quot;more&quot; &nbsp;&copy;</title>", "",
         L"Fish & Chips <3 'n' \"more\" \xA9"},
        {"white space", "<title>\n  Two\t\tlines\r\n  here  </title>", "", L"Two lines here"},
        {"utf-8 by header", "<title>caf\xC3\xA9 \xE4\xB8\xAD</title>", "text/html; charset=UTF-8", L"caf\xE9 \x4E2D"},
        {"utf-8 without a word", "<title>na\xC3\xAFve</title>", "", L"na\xEFve"},
        {"latin-1 by header", "<title>caf\xE9</title>", "text/html; charset=ISO-8859-1", L"caf\xE9"},
        {"latin-1 guessed", "<title>caf\xE9</title>", "", L"caf\xE9"},
        {"charset by meta", "<meta charset=\"windows-1251\"><title>\xCF\xF0\xE8\xE2\xE5\xF2</title>", "",
         L"\x41F\x440\x438\x432\x435\x442"},
        {"charset by http-equiv",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\"><title>\x93\xFA\x96\x7B</title>",
         "", L"\x65E5\x672C"},
        {"emoji reference", "<title>&#x1F600;</title>", "", std::wstring(L"\xD83D\xDE00")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractPageTitle(c.bytes, c.contentType), c.title) << c.name;
    }
    // At most 260 characters, never half a surrogate pair.
    std::string longTitle = "<title>" + std::string(400, 'x') + "</title>";
    EXPECT_EQ(ExtractPageTitle(longTitle)->size(), 260u);
    std::string pairs = "<title>" + std::string(259, 'x');
    for (int i = 0; i < 10; ++i) pairs += "\xF0\x9F\x98\x80";
    pairs += "</title>";
    std::wstring cut = *ExtractPageTitle(pairs);
    EXPECT_EQ(cut.size(), 259u);
}

TEST(PageTitle, FetchedFromALocalServerWithinItsLimits) {
    std::string big = "<html><head><title>Big Page</title></head><body>" + std::string(70 * 1024, 'y') + "</body>";
    std::string late = "<html><body>" + std::string(70 * 1024, 'z') + "<title>Too Late</title></body>";
    TLocalHttpServer server({
        {"/title", TLocalHttpServer::Page("<title>Hello Page</title>")},
        {"/none", TLocalHttpServer::Page("<p>nothing</p>")},
        {"/big", TLocalHttpServer::Page(big)},
        {"/late", TLocalHttpServer::Page(late)},
        {"/utf8", TLocalHttpServer::Page("<title>Gr\xC3\xBC\xC3\x9F"
                                         "e &amp; Welt</title>",
                                         "text/html; charset=utf-8")},
        {"/chunked", TLocalHttpServer::Chunked("<html><head><title>In Pieces</title></head></html>", 7)},
        {"/error", {"HTTP/1.1 500 Oops\r\nContent-Length: 22\r\n\r\n<title>Error</title>"}},
        {"/silent", {"", true}},
    });
    struct Case {
        const char* path;
        std::wstring caption;  // the address itself where there is no title
    };
    const Case cases[] = {
        {"/title", L"Hello Page"},
        {"/none", L""},
        {"/big", L"Big Page"},
        {"/late", L""},
        {"/utf8",
         L"Gr\xFC\xDF"
         L"e & Welt"},
        {"/chunked", L"In Pieces"},
        {"/error", L""},
        {"/silent", L""},
    };
    TPageTitleOptions quick;
    quick.timeoutMs = 1500;
    for (const Case& c : cases) {
        std::wstring address = server.Url(c.path);
        std::wstring expected = c.caption.empty() ? address : c.caption;
        EXPECT_EQ(PageCaption(address, quick), expected) << c.path;
    }
    // Only web pages are fetched.
    EXPECT_EQ(FetchPageTitle(L"file:///C:/windows/win.ini", quick), std::nullopt);
    EXPECT_EQ(FetchPageTitle(L"ftp://127.0.0.1/x", quick), std::nullopt);
    EXPECT_EQ(PageCaption(L"C:\\not\\a\\page.html", quick), L"C:\\not\\a\\page.html");
}

}  // namespace
}  // namespace qm
