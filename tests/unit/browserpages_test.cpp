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

TEST(BrowserPages, AddressCompletionAndIgnorableAddresses) {
    const std::tuple<std::wstring, std::wstring, std::optional<TPair>> cases[] = {
        {L"host/path", L"Title", TPair{L"http://host/path", L"Title"}},
        {L"example.org", L"", TPair{L"http://example.org", L"http://example.org"}},
        {L"  example.org/x  ", L"  T  ", TPair{L"http://example.org/x", L"T"}},
        {L"http://host/path", L"T", TPair{L"http://host/path", L"T"}},
        {L"HTTPS://Host/Path", L"T", TPair{L"HTTPS://Host/Path", L"T"}},
        {L"Http://host", L"T", TPair{L"Http://host", L"T"}},
        {L"httpbin.org", L"T", TPair{L"http://httpbin.org", L"T"}},
        {L"", L"New Tab", std::nullopt},
        {L"about:blank", L"T", std::nullopt},
        {L"http://", L"T", std::nullopt},
        {L"https://", L"T", std::nullopt},
    };
    for (const auto& [address, title, expected] : cases)
        EXPECT_EQ(P(BrowserPair(address, title)), expected) << testing::PrintToString(address);
    EXPECT_EQ(CompleteWebAddress(L"host"), L"http://host");
    EXPECT_EQ(CompleteWebAddress(L"https://host"), L"https://host");
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
