// The clipboard's blocks and what a paste takes from it: file lists written as
// Explorer writes them and read within their size, and the entries of a paste.
#include "replay/clipboard.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

#include "base/strings.h"

namespace qm {
namespace {

std::string AnsiBlock(const std::string& names) {
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    return std::string(reinterpret_cast<const char*>(&header), sizeof(header)) + names;
}

TEST(DropFiles, WideNamesRoundTripWithTheHeaderExplorerWrites) {
    std::vector<std::wstring> paths = {L"C:\\Docs\\\u03A9mega \u00FC.txt", L"D:\\\u65E5\u672C\\b.txt"};
    std::string block = DropFilesBlock(paths);
    DROPFILES header{};
    std::memcpy(&header, block.data(), sizeof(header));
    EXPECT_EQ(header.pFiles, sizeof(DROPFILES));
    EXPECT_TRUE(header.fWide);
    // Every name, its NUL, and the closing NUL: nothing more, nothing less.
    size_t chars = paths[0].size() + 1 + paths[1].size() + 1 + 1;
    EXPECT_EQ(block.size(), sizeof(DROPFILES) + chars * sizeof(wchar_t));
    EXPECT_EQ(DropFilesNames(block.data(), block.size()), paths);
}

TEST(DropFiles, DamagedBlocksGiveWhatComesBeforeTheDamage) {
    std::string wide = DropFilesBlock({L"C:\\a.txt", L"C:\\b.txt"});
    struct Case {
        const char* what;
        std::string block;
        std::vector<std::wstring> names;
    };
    std::string pastEnd = wide;
    DWORD beyond = 100000;
    std::memcpy(pastEnd.data(), &beyond, sizeof(beyond));  // pFiles beyond the block
    std::string intoHeader = wide;
    DWORD inside = 4;
    std::memcpy(intoHeader.data(), &inside, sizeof(inside));  // pFiles inside the header
    const Case cases[] = {
        {"whole", wide, {L"C:\\a.txt", L"C:\\b.txt"}},
        {"cut in the second name", wide.substr(0, wide.size() - 8), {L"C:\\a.txt"}},
        {"cut in the header", wide.substr(0, 10), {}},
        {"odd length", wide.substr(0, wide.size() - 1), {L"C:\\a.txt", L"C:\\b.txt"}},
        {"offset past the end", pastEnd, {}},
        {"offset inside the header", intoHeader, {}},
        {"ansi", AnsiBlock(std::string("C:\\x.txt\0C:\\y.txt\0\0", 20)), {L"C:\\x.txt", L"C:\\y.txt"}},
        {"ansi without its end", AnsiBlock("C:\\x.txt"), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(DropFilesNames(c.block.data(), c.block.size()), c.names) << c.what;
    EXPECT_TRUE(DropFilesNames(nullptr, 100).empty());
}

TEST(PasteEntries, LinesThenFilesOnlyPathsAndWebAddresses) {
    TClipboardContents c;
    c.text =
        L"  C:\\Docs\\report 2024.docx  \r\n"
        L"just some words\r\n"
        L"https://example.test/a?b=c\n"
        L"\"C:\\Program Files\\Tool\\tool.exe\" /open x\r"
        L"\\\\server\\share\\plan.txt\n"
        L"ftp://example.test/file\n"
        L"relative\\path.txt\n"
        L"HTTP://EXAMPLE.TEST/\n"
        L"\n";
    c.files = {L"C:\\Files\\\u03A9mega.txt", L"E:\\"};
    EXPECT_EQ(PasteEntries(c),
              (std::vector<std::wstring>{L"C:\\Docs\\report 2024.docx", L"https://example.test/a?b=c",
                                         L"C:\\Program Files\\Tool\\tool.exe", L"\\\\server\\share\\plan.txt",
                                         L"HTTP://EXAMPLE.TEST/", L"C:\\Files\\\u03A9mega.txt", L"E:\\"}));
    EXPECT_TRUE(PasteEntries(TClipboardContents{}).empty());
}

TEST(PasteFiles, TheClipboardFilesCleanedWithoutEmptyOnes) {
    TClipboardContents c;
    c.text = L"C:\\not\\a\\file\\of\\the\\list.txt";
    c.files = {L"C:\\a.txt", L"   ", L"\"C:\\b c.txt\""};
    EXPECT_EQ(PasteFiles(c), (std::vector<std::wstring>{L"C:\\a.txt", L"C:\\b c.txt"}));
}

}  // namespace
}  // namespace qm
