#include "base/listfile.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace qm {
namespace {

using Lines = std::vector<std::wstring>;

TEST(ListFile, WritesUtf16LeWithMarkAndCrLfAfterEveryLine) {
    std::string bytes = EncodeListText({L"1", L"0"});
    EXPECT_EQ(bytes, std::string("\xFF\xFE"
                                 "1\0\r\0\n\0"
                                 "0\0\r\0\n\0",
                                 14));
    EXPECT_EQ(EncodeListText({}), std::string("\xFF\xFE", 2));
}

TEST(ListFile, ReadsEveryEncodingAndLineEnd) {
    struct Case {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"utf16le",
         std::string("\xFF\xFE"
                     "a\0\r\0\n\0"
                     "b\0",
                     10),
         {L"a", L"b"}},
        {"utf16be",
         std::string("\xFE\xFF"
                     "\0a\0\n"
                     "\0b\0\r",
                     10),
         {L"a", L"b"}},
        {"utf8",
         "\xEF\xBB\xBF"
         "C:\\\xC3\xA4.txt\r\nx",
         {L"C:\\\u00E4.txt", L"x"}},
        {"ansi", "one\rtwo\nthree\r\n", {L"one", L"two", L"three"}},
        {"blank lines kept", "a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
        {"empty", "", {}},
        {"mark only", "\xFF\xFE", {}},
        {"odd byte count",
         std::string("\xFF\xFE"
                     "a\0b",
                     5),
         {L"a"}},
        {"cr lf split across", "a\r\r\nb", {L"a", L"", L"b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeListText(c.bytes), c.lines) << c.name;
}

TEST(ListFile, LoneSurrogatesAndNonAsciiSurviveTheRoundTrip) {
    Lines lines = {L"C:\\Users\\\u00FCser\\\u4E2D.txt", std::wstring(1, wchar_t(0xD800)) + L"x", L"", L"?|?"};
    EXPECT_EQ(DecodeListText(EncodeListText(lines)), lines);
}

TEST(ListFile, FileRoundTripAndMissingFile) {
    test::TempDir dir;
    std::wstring path = dir / L"sendparam.txt";
    EXPECT_FALSE(ReadListFile(path).has_value());
    Lines lines = {L"C:\\a.txt*C:\\b.txt*", L"http://example.com/?q=1&r=2"};
    ASSERT_TRUE(WriteListFile(path, lines));
    EXPECT_EQ(ReadListFile(path).value(), lines);
    // A second write replaces the file as a whole.
    ASSERT_TRUE(WriteListFile(path, {L"x"}));
    EXPECT_EQ(ReadListFile(path).value(), Lines{L"x"});
}

TEST(ListFile, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    std::wstring path = dir / L"keep.txt";
    ASSERT_TRUE(WriteListFile(path, {L"old"}));
    // A folder standing where the temporary file must go makes the write fail.
    ASSERT_TRUE(CreateFolderTree(path + L".tmp~"));
    EXPECT_FALSE(WriteListFile(path, {L"new"}));
    EXPECT_EQ(ReadListFile(path).value(), Lines{L"old"});
}

}  // namespace
}  // namespace qm
