#include "base/files.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace qm {
namespace {

TEST(Files, CreateFolderTreeMakesEveryMissingParent) {
    test::TempDir dir;
    std::wstring deep = dir / L"a\\b\\\u00E4\u4E2D\\c\\";
    EXPECT_TRUE(CreateFolderTree(deep));
    EXPECT_TRUE(IsExistingFolder(deep));
    EXPECT_TRUE(CreateFolderTree(deep));  // already there
    // A file in the way makes it fail.
    ASSERT_TRUE(WriteFileReplacing(dir / L"file", "x"));
    EXPECT_FALSE(CreateFolderTree(dir / L"file\\sub"));
}

TEST(Files, LongPathsBeyondMaxPath) {
    test::TempDir dir;
    std::wstring path = dir.Path();
    while (path.size() < 300) path += L"\\segment-of-a-long-path";
    ASSERT_TRUE(CreateFolderTree(path));
    std::wstring file = path + L"\\data.bin";
    ASSERT_TRUE(WriteFileReplacing(file, std::string("\0\1\2", 3)));
    EXPECT_EQ(ReadFileBytes(file).value(), std::string("\0\1\2", 3));
    EXPECT_TRUE(IsExistingFile(file));
}

TEST(Files, WriteReplacingKeepsHiddenAttribute) {
    test::TempDir dir;
    std::wstring file = dir / L"hidden.ini";
    ASSERT_TRUE(WriteFileReplacing(file, "a"));
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(WriteFileReplacing(file, "b"));
    EXPECT_TRUE(::GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ReadFileBytes(file).value(), "b");
}

TEST(Files, PathPieces) {
    EXPECT_EQ(FileNameOf(L"C:\\a\\b.txt"), L"b.txt");
    EXPECT_EQ(FileNameOf(L"C:b.txt"), L"b.txt");
    EXPECT_EQ(FolderOf(L"C:\\a\\b.txt"), L"C:\\a\\");
    EXPECT_EQ(ChangeExtension(L"C:\\r\\Dec 08,2026_001.quilmar", L".dat"), L"C:\\r\\Dec 08,2026_001.dat");
    EXPECT_EQ(ChangeExtension(L"C:\\r.x\\name", L".dat"), L"C:\\r.x\\name.dat");
    EXPECT_EQ(JoinPath(L"C:\\a\\", L"\\b"), L"C:\\a\\b");
    EXPECT_EQ(JoinPath(L"C:\\a", L"b"), L"C:\\a\\b");
}

TEST(Files, DocumentsFolderIsInsideThePrivatePrefix) {
    std::wstring docs = SpecialFolder(CSIDL_PERSONAL);
    ASSERT_FALSE(docs.empty());
    // The test script replaces Wine's links to the Linux home with real folders.
    EXPECT_TRUE(IsExistingFolder(docs));
}

}  // namespace
}  // namespace qm
