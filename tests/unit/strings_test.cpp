#include <windows.h>

#include "base/strings.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(Strings, TrimRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(Trim(L"  \t a b \r\n"), L"a b");
    EXPECT_EQ(Trim(L""), L"");
    EXPECT_EQ(Trim(L" \x01 "), L"");
    EXPECT_EQ(TrimLeft(L"  x "), L"x ");
    EXPECT_EQ(TrimRight(L"  x "), L"  x");
}

TEST(Strings, CaseInsensitiveComparisonsCoverNonAscii) {
    EXPECT_TRUE(EqualsNoCase(L"C:\\Users\\ÄÖÜ", L"c:\\users\\äöü"));
    EXPECT_FALSE(EqualsNoCase(L"abc", L"abcd"));
    EXPECT_TRUE(StartsWithNoCase(L"HTTP://x", L"http://"));
    EXPECT_TRUE(EndsWithNoCase(L"report.QUILMAR", L".quilmar"));
    EXPECT_FALSE(EndsWithNoCase(L"r", L".quilmar"));
    EXPECT_EQ(FindNoCase(L"abcABC", L"Bc", 2), 4u);
    EXPECT_TRUE(ContainsNoCase(L"x FILE:/// y", L"file:///"));
    EXPECT_EQ(ToLower(L"ÀB"), L"àb");
    EXPECT_EQ(ToUpper(L"àb"), L"ÀB");
}

// Plain ASCII takes a short way round the system call: both ways must agree,
// including at the edges of the letter ranges and with one non-ASCII letter.
TEST(Strings, CaseMappingAgreesForAsciiAndBeyond) {
    struct Case {
        const wchar_t* in;
        const wchar_t* lower;
        const wchar_t* upper;
    };
    const Case cases[] = {
        {L"@AZ[`az{", L"@az[`az{", L"@AZ[`AZ{"},
        {L"C:\\Program Files\\App.EXE", L"c:\\program files\\app.exe", L"C:\\PROGRAM FILES\\APP.EXE"},
        {L"C:\\Program Files\\Äpp.EXE", L"c:\\program files\\äpp.exe", L"C:\\PROGRAM FILES\\ÄPP.EXE"},
        {L"ISTANBUL", L"istanbul", L"ISTANBUL"},  // the invariant locale: no dotless i
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToLower(c.in), c.lower) << c.in;
        EXPECT_EQ(ToUpper(c.in), c.upper) << c.in;
    }
}

// Every code point of Latin-1 and Latin Extended-A, alone and in a path, maps as
// the system maps it in the invariant locale (the fast path must never differ).
TEST(Strings, CaseMappingMatchesTheSystemAcrossLatin1) {
    auto system = [](const std::wstring& in, DWORD flag) {
        std::wstring out(in.size() * 2 + 1, L'\0');
        int n = ::LCMapStringW(LOCALE_INVARIANT, flag, in.data(), static_cast<int>(in.size()), out.data(),
                               static_cast<int>(out.size()));
        out.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return out;
    };
    for (wchar_t c = 1; c < 0x180; ++c) {
        for (const std::wstring& text : {std::wstring(1, c), L"C:\\Docs " + std::wstring(1, c) + L"\\A.txt"}) {
            EXPECT_EQ(ToLower(text), system(text, LCMAP_LOWERCASE)) << "U+" << std::hex << static_cast<int>(c);
            EXPECT_EQ(ToUpper(text), system(text, LCMAP_UPPERCASE)) << "U+" << std::hex << static_cast<int>(c);
        }
    }
}

TEST(Strings, ReplaceAllScansLeftToRight) {
    EXPECT_EQ(ReplaceAll(L"a\\\\\\b", L"\\\\", L"\\"), L"a\\\\b");
    EXPECT_EQ(ReplaceAll(L"x%20y%20", L"%20", L" "), L"x y ");
    EXPECT_EQ(ReplaceAll(L"abc", L"", L"z"), L"abc");
}

TEST(Strings, ParseIntegers) {
    struct Case {
        const wchar_t* text;
        bool ok;
        int value;
    };
    const Case cases[] = {
        {L"7", true, 7},
        {L"-1", true, -1},
        {L" 12 ", true, 12},
        {L"0x1", true, 1},
        {L"0X1F", true, 31},
        {L"0xFFFFFFFF", true, -1},
        {L"yes", false, 0},
        {L"", false, 0},
        {L"1.5", false, 0},
        {L"0x", false, 0},
        {L"99999999999", false, 0},
        {L"2147483647", true, 2147483647},
        {L"-2147483648", true, -2147483647 - 1},
        {L"12abc", false, 0},
    };
    for (const auto& c : cases) {
        int v = 0;
        EXPECT_EQ(TryParseInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(Strings, Utf8RoundTripKeepsEveryPlane) {
    std::wstring text = L"Grüße \x4E2D\x6587 \xD83D\xDE00";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(Utf8ToWide(std::string("\xFF\xFE", 2)).size(), 2u);  // invalid bytes do not vanish silently
}

TEST(Strings, FormatGrowsForLongText) {
    std::wstring longText(5000, L'x');
    EXPECT_EQ(Format(L"%ls %1.1f", L"QuilMar", 3.0), L"QuilMar 3.0");
    EXPECT_EQ(Format(L"[%ls]", longText.c_str()).size(), 5002u);
}

}  // namespace
}  // namespace qm
