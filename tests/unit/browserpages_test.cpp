#include "capture/browserpages.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using TPair = std::pair<std::wstring, std::wstring>;

std::optional<TPair> P(const std::optional<TLocationPair>& p) {
    if (!p) return std::nullopt;
    return TPair{p->location, p->title};
}

TEST(BrowserPages, DdeReplies) {
    const std::pair<std::wstring, std::optional<TPair>> cases[] = {
        {L"\"http://a/b\",\"Page B\",\"\"", TPair{L"http://a/b", L"Page B"}},
        {L"\"http://a/b\",\"Page B\"", TPair{L"http://a/b", L"Page B"}},
        {L"\"https://x/?a=\"\"q\",\"T, with comma\",\"\",\"more\"", TPair{L"https://x/?a=\"\"q", L"T, with comma"}},
        // A reply cut short: the title runs to the end.
        {L"\"http://a/b\",\"Page B", TPair{L"http://a/b", L"Page B"}},
        // No title: the address stands for it.
        {L"\"http://a/b\",\"\",\"\"", TPair{L"http://a/b", L"http://a/b"}},
        {L"\"http://a/b\",\"", TPair{L"http://a/b", L"http://a/b"}},
        // Malformed or empty replies give nothing.
        {L"", std::nullopt},
        {L"\"", std::nullopt},
        {L"x", std::nullopt},
        {L"\"http://a/b\"", std::nullopt},
        {L"\"http://a/b\",Page", std::nullopt},
        {L"\",\"", std::nullopt},
        {L"\"\",\"Title\",\"\"", std::nullopt},
        // Ignorable addresses give nothing.
        {L"\"about:blank\",\"Blank\",\"\"", std::nullopt},
        {L"\"http://\",\"Nothing\",\"\"", std::nullopt},
        {L"\"ABOUT:HOME\",\"Home\",\"\"", std::nullopt},
    };
    for (const auto& [reply, expected] : cases)
        EXPECT_EQ(P(ParseDdeReply(reply)), expected) << testing::PrintToString(reply);
}

TEST(BrowserPages, AddressBoxTextBecomesAWebAddressOnlyWhenItIsOne) {
    const std::pair<std::wstring, std::optional<std::wstring>> cases[] = {
        // Without a scheme: the browser hid it.
        {L"host.example/path", L"https://host.example/path"},
        {L"example.org", L"https://example.org"},
        {L"  example.org/x?q=a b#top  ", L"https://example.org/x?q=a b#top"},
        {L"www.example.co.uk:8443/a", L"https://www.example.co.uk:8443/a"},
        {L"localhost:8080/app", L"https://localhost:8080/app"},
        {L"LOCALHOST", L"https://LOCALHOST"},
        {L"192.0.2.10/status", L"https://192.0.2.10/status"},
        {L"[2001:db8::1]:8080/x", L"https://[2001:db8::1]:8080/x"},
        {L"b\u00FCcher.example/\u00E4", L"https://b\u00FCcher.example/\u00E4"},
        {L"xn--bcher-kva.example", L"https://xn--bcher-kva.example"},
        {L"example.org.", L"https://example.org."},
        {L"my-site.example?x", L"https://my-site.example?x"},
        // With a web scheme: as it is.
        {L"http://host/path", L"http://host/path"},
        {L"HTTPS://Host/Path", L"HTTPS://Host/Path"},
        {L"Http://host", L"Http://host"},
        {L"https://intranet", L"https://intranet"},
        // Text that is no web address.
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"how to cook rice", std::nullopt},
        {L"weather", std::nullopt},
        {L"3.14", std::nullopt},
        {L"1.2.3.4.5", std::nullopt},
        {L"300.1.1.1", std::nullopt},
        {L"int main() { return 0; }", std::nullopt},
        {L"someone@example.org", std::nullopt},
        {L"foo.bar baz", std::nullopt},
        {L"-bad.example", std::nullopt},
        {L"bad-.example", std::nullopt},
        {L"a..b", std::nullopt},
        {L"example.org:99999", std::nullopt},
        {L"example.org:", std::nullopt},
        {L"chrome://settings", std::nullopt},
        {L"edge://favorites", std::nullopt},
        {L"file:///C:/x.html", std::nullopt},
        {L"about:config", std::nullopt},
        {L"view-source:https://example.org", std::nullopt},
        {L"mailto:someone@example.org", std::nullopt},
        {L"javascript:alert(1)", std::nullopt},
        {L"http://", std::nullopt},
        {L"https://", std::nullopt},
        {L"http:// spaced", std::nullopt},
        {L"http:///path", std::nullopt},
        {L"about:blank", std::nullopt},
        {L"ABOUT:HOME", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(WebAddressOf(text, kCurrentBrowserScheme), expected) << testing::PrintToString(text);
    // Old Chrome hid only "http://".
    EXPECT_EQ(WebAddressOf(L"host.example/path", kOldChromeScheme), L"http://host.example/path");
    EXPECT_EQ(WebAddressOf(L"https://host.example/", kOldChromeScheme), L"https://host.example/");
}

TEST(BrowserPages, BrowserPairsTakeTheTitleOrTheAddress) {
    const std::tuple<std::wstring, std::wstring, std::optional<TPair>> cases[] = {
        {L"example.org/path", L"Title", TPair{L"https://example.org/path", L"Title"}},
        {L"example.org", L"", TPair{L"https://example.org", L"https://example.org"}},
        {L"  example.org/x  ", L"  T  ", TPair{L"https://example.org/x", L"T"}},
        {L"http://host/path", L"T", TPair{L"http://host/path", L"T"}},
        {L"", L"New Tab", std::nullopt},
        {L"search words", L"Google", std::nullopt},
        {L"about:blank", L"T", std::nullopt},
    };
    for (const auto& [address, title, expected] : cases)
        EXPECT_EQ(P(BrowserPair(address, title, kCurrentBrowserScheme)), expected) << testing::PrintToString(address);
}

TEST(BrowserPages, KnownBrowsersByTheirProgramFile) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe", true},
        {L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\MSEDGE.EXE", true},
        {L"c:\\program files\\mozilla firefox\\firefox.exe", true},
        {L"C:\\Users\\me\\AppData\\Local\\BraveSoftware\\Brave-Browser\\Application\\brave.exe", true},
        {L"C:\\Users\\me\\AppData\\Local\\Vivaldi\\Application\\vivaldi.exe", true},
        {L"C:\\Users\\me\\AppData\\Local\\Programs\\Opera\\opera.exe", true},
        {L"C:\\Chromium\\chromium.exe ", true},
        {L"C:\\Users\\me\\AppData\\Local\\Programs\\Microsoft VS Code\\Code.exe", false},
        {L"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe", false},
        {L"C:\\Users\\me\\AppData\\Local\\slack\\slack.exe", false},
        {L"C:\\tools\\chrome.exe.bak", false},
        {L"C:\\tools\\notchrome.exe", false},
        {L"", false},
    };
    for (auto [path, known] : cases) EXPECT_EQ(IsKnownBrowser(path), known) << path;
}

TEST(BrowserPages, BrowserSuffixes) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Example Domain - Google Chrome", L"Example Domain"},
        {L"Example Domain - Microsoft Edge", L"Example Domain"},
        {L"Example Domain - Work - Microsoft\u200B Edge", L"Example Domain - Work"},
        {L"Example Domain \u2014 Mozilla Firefox", L"Example Domain"},
        {L"Example Domain - Mozilla Firefox", L"Example Domain"},
        {L"Example Domain \u2014 Mozilla Firefox Private Browsing", L"Example Domain"},
        {L"Example Domain - Chromium", L"Example Domain"},
        {L"Example Domain - Brave", L"Example Domain"},
        {L"Example Domain - Vivaldi", L"Example Domain"},
        {L"Example Domain - Opera", L"Example Domain"},
        {L"Google Chrome - Google Chrome", L"Google Chrome"},  // only the end goes
        {L"A - Google Chrome - Notes", L"A - Google Chrome - Notes"},
        {L"Plain title", L"Plain title"},
        {L" - Google Chrome", L""},
        {L"", L""},
    };
    for (auto [title, stripped] : cases) EXPECT_EQ(StripBrowserSuffix(title), stripped) << title;
}

}  // namespace
}  // namespace qm
