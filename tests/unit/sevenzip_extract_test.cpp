// Unpacking through the real 7z.dll: archives 7-Zip made at the start of the
// run, hostile item paths, damaged archives, failed writes and the payload.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>

#include "base/files.h"
#include "base/strings.h"
#include "setup/sevenzip.h"
#include "support/build32.h"
#include "support/process.h"
#include "support/sevenzipfixture.h"
#include "support/tempdir.h"

using Microsoft::WRL::ComPtr;

namespace qm {
namespace {

const wchar_t* const kInstallFolder = L"Prógram Fîles 安装";

std::map<std::wstring, std::string> Manifest() { return test::ReadManifest(test::ArchivePath(L"tree.sha256")); }

// The message of the T7zError that fn raises; fails the test when there is none.
std::wstring ErrorText(const std::function<void()>& fn, HRESULT* code = nullptr) {
    try {
        fn();
    } catch (const T7zError& e) {
        if (code) *code = e.Code();
        return e.Message();
    }
    ADD_FAILURE() << "no error raised";
    return {};
}

// Every file left in the folder is a complete, verified one: no half-written
// file and no temporary file beside its target.
void ExpectOnlyIntactFiles(const std::wstring& folder) {
    std::map<std::wstring, std::string> manifest = Manifest();
    for (const auto& [path, hash] : test::ListTree(folder).files) {
        auto expected = manifest.find(path);
        ASSERT_NE(expected, manifest.end()) << "unexpected file " << WideToUtf8(path);
        EXPECT_EQ(hash, expected->second) << "damaged file left in place: " << WideToUtf8(path);
    }
}

struct TProgressLog {
    std::vector<UINT64> totals, completed;
    HRESULT answer = S_OK;
};

HRESULT CALLBACK LogProgress(void* context, bool isTotal, UINT64 value) {
    auto* log = static_cast<TProgressLog*>(context);
    (isTotal ? log->totals : log->completed).push_back(value);
    return isTotal || value == 0 ? S_OK : log->answer;
}

struct TMethodCase {
    const wchar_t* archive;
    bool trailingBackslash;
};

void PrintTo(const TMethodCase& c, std::ostream* os) { *os << WideToUtf8(c.archive); }

class SevenZipMethods : public ::testing::TestWithParam<TMethodCase> {};

TEST_P(SevenZipMethods, UnpackTheTreeByteForByteIntoANonAsciiFolder) {
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    test::TOpenArchive open(test::ArchivePath(GetParam().archive));
    TProgressLog progress;
    open.reader->SetProgressHandler(&progress, LogProgress);
    open.reader->ExtractAllToFolder(GetParam().trailingBackslash ? out + L"\\" : out);

    test::TTreeListing tree = test::ListTree(out);
    EXPECT_EQ(tree.files, Manifest());
    std::set<std::wstring> folders(tree.folders.begin(), tree.folders.end());
    EXPECT_EQ(folders, (std::set<std::wstring>{L"bin", L"docs", L"docs\\deep", L"docs\\deep\\nested"}))
        << "folders come only as parents of files; the empty folder is not made";
    ASSERT_EQ(progress.totals.size(), 1u);
    ASSERT_FALSE(progress.completed.empty());
    EXPECT_TRUE(std::is_sorted(progress.completed.begin(), progress.completed.end()));
    EXPECT_EQ(progress.completed.back(), progress.totals[0]);
}

INSTANTIATE_TEST_SUITE_P(Archives, SevenZipMethods,
                         ::testing::Values(TMethodCase{L"lzma-bcj.7z", false}, TMethodCase{L"lzma2-bcj2.7z", true},
                                           TMethodCase{L"copy.7z", false}, TMethodCase{L"delta.7z", true}));

TEST(SevenZipExtract, ExistingFilesAreReplaced) {
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    ASSERT_TRUE(CreateFolderTree(JoinPath(out, L"docs")));
    ASSERT_TRUE(test::WriteBytes(JoinPath(out, L"docs\\readme.txt"), "an older, longer readme text"));
    ASSERT_TRUE(test::WriteBytes(JoinPath(out, L"random.bin"), "old"));
    test::TOpenArchive open(test::ArchivePath(L"lzma-bcj.7z"));
    open.reader->ExtractAllToFolder(out);
    EXPECT_EQ(test::ListTree(out).files, Manifest());
}

// A folder in a file's place makes the write fail for real, also for root.
TEST(SevenZipExtract, AFailedWriteFailsTheExtractionAndNamesTheItem) {
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    ASSERT_TRUE(CreateFolderTree(JoinPath(out, L"random.bin")));
    test::TOpenArchive open(test::ArchivePath(L"lzma-bcj.7z"));
    std::wstring message = ErrorText([&] { open.reader->ExtractAllToFolder(out); });
    EXPECT_NE(message.find(L"\"random.bin\""), std::wstring::npos) << WideToUtf8(message);
    EXPECT_TRUE(IsExistingFolder(JoinPath(out, L"random.bin")));
    ExpectOnlyIntactFiles(out);
}

TEST(SevenZipExtract, AFileInAFoldersPlaceFailsTheExtractionAndNamesTheItem) {
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    ASSERT_TRUE(CreateFolderTree(out));
    ASSERT_TRUE(test::WriteBytes(JoinPath(out, L"docs"), "a file where a folder goes"));
    test::TOpenArchive open(test::ArchivePath(L"lzma-bcj.7z"));
    std::wstring message = ErrorText([&] { open.reader->ExtractAllToFolder(out); });
    EXPECT_NE(message.find(L"\"docs\\"), std::wstring::npos) << WideToUtf8(message);
    EXPECT_EQ(ReadFileBytes(JoinPath(out, L"docs")).value_or(""), "a file where a folder goes");
}

struct THostileCase {
    const wchar_t* archive;
    const wchar_t* reported;  // the item path as the library reports it (its end)
};

void PrintTo(const THostileCase& c, std::ostream* os) { *os << WideToUtf8(c.archive); }

class SevenZipHostile : public ::testing::TestWithParam<THostileCase> {};

TEST_P(SevenZipHostile, ItemsOutsideTheFolderAreRefusedBeforeAnythingIsWritten) {
    test::TempDir dir;
    std::wstring out = dir / L"a\\b\\out";
    ASSERT_TRUE(CreateFolderTree(out));
    test::TOpenArchive open(test::ArchivePath(GetParam().archive));
    std::wstring message = ErrorText([&] { open.reader->ExtractAllToFolder(out); });
    EXPECT_TRUE(StartsWith(message, L"Refused archive item \"")) << WideToUtf8(message);
    EXPECT_NE(message.find(GetParam().reported), std::wstring::npos) << WideToUtf8(message);

    test::TTreeListing everything = test::ListTree(dir.Path());
    EXPECT_TRUE(everything.files.empty()) << "written: " << WideToUtf8(everything.files.begin()->first);
    EXPECT_FALSE(PathExists(L"C:\\evil.txt"));
    EXPECT_FALSE(PathExists(L"C:\\notes.txt"));
}

INSTANTIATE_TEST_SUITE_P(Archives, SevenZipHostile,
                         ::testing::Values(THostileCase{L"hostile-parent.7z", L"\"..\\..\\evil.txt\""},
                                           THostileCase{L"hostile-drive.7z", L"\"C:\\evil.txt\""},
                                           THostileCase{L"hostile-stream.7z", L"\"notes.txt:hidden\""},
                                           THostileCase{L"hostile-device.7z", L"\"sub\\CON\""},
                                           THostileCase{L"hostile-absolute.7z", L"\\hostile\\evil.txt\""},
                                           THostileCase{L"hostile-unc.7z", L"\\hostile\\evil.txt\""}));

TEST(SevenZipExtract, TheHostileArchivesReallyHoldThoseNames) {
    test::TOpenArchive open(test::ArchivePath(L"hostile-parent.7z"));
    ASSERT_EQ(open.reader->ItemCount(), 2u);
    // The harmless item comes first, so refusing only at the bad one would have written it.
    EXPECT_EQ(open.reader->ItemPath(0), L"(good).txt");
    EXPECT_EQ(open.reader->ItemPath(1), L"..\\..\\evil.txt");
    test::TOpenArchive unc(test::ArchivePath(L"hostile-unc.7z"));
    EXPECT_TRUE(StartsWith(unc.reader->ItemPath(0), L"\\\\")) << WideToUtf8(unc.reader->ItemPath(0));
}

struct TDamageCase {
    const char* name;
    const wchar_t* archive;
    std::function<void(std::string&)> damage;
    const wchar_t* named;  // text the error must contain, or null
};

void PrintTo(const TDamageCase& c, std::ostream* os) { *os << c.name; }

class SevenZipDamaged : public ::testing::TestWithParam<TDamageCase> {};

TEST_P(SevenZipDamaged, FailsWithAnErrorAndLeavesNoDamagedFile) {
    test::TempDir dir;
    auto bytes = ReadFileBytes(test::ArchivePath(GetParam().archive));
    ASSERT_TRUE(bytes);
    GetParam().damage(*bytes);
    std::wstring archive = dir / L"damaged.7z";
    ASSERT_TRUE(test::WriteBytes(archive, *bytes));
    std::wstring out = dir / kInstallFolder;

    auto library = test::PrivateLibrary();
    ComPtr<IArchiveReader> reader = CreateArchiveReader(library->Path());
    std::wstring message = ErrorText([&] {
        reader->OpenArchiveFile(archive);
        reader->ExtractAllToFolder(out);
    });
    EXPECT_FALSE(message.empty());
    if (GetParam().named) {
        EXPECT_NE(message.find(GetParam().named), std::wstring::npos) << WideToUtf8(message);
    }
    ExpectOnlyIntactFiles(out);
    reader.Reset();
}

void Truncate(std::string& bytes, size_t size) { bytes.resize(std::min(size, bytes.size())); }
void Flip(std::string& bytes, size_t at) { bytes[at] = static_cast<char>(bytes[at] ^ 0x55); }

INSTANTIATE_TEST_SUITE_P(
    Archives, SevenZipDamaged,
    ::testing::Values(
        TDamageCase{"Empty", L"lzma-bcj.7z", [](std::string& b) { Truncate(b, 0); }, nullptr},
        TDamageCase{"SignatureOnly", L"lzma-bcj.7z", [](std::string& b) { Truncate(b, 6); }, nullptr},
        TDamageCase{"StartHeaderOnly", L"lzma-bcj.7z", [](std::string& b) { Truncate(b, 32); }, nullptr},
        TDamageCase{"Half", L"lzma-bcj.7z", [](std::string& b) { Truncate(b, b.size() / 2); }, nullptr},
        TDamageCase{"LastByteMissing", L"lzma-bcj.7z", [](std::string& b) { Truncate(b, b.size() - 1); }, nullptr},
        TDamageCase{"StartHeaderFlipped", L"lzma-bcj.7z", [](std::string& b) { Flip(b, 14); }, nullptr},
        TDamageCase{"HeaderFlipped", L"lzma-bcj.7z", [](std::string& b) { Flip(b, b.size() - 20); }, nullptr},
        TDamageCase{"DataFlippedEarly", L"lzma-bcj.7z", [](std::string& b) { Flip(b, 40); }, L"Damaged archive item"},
        TDamageCase{"DataFlippedMidway", L"lzma-bcj.7z", [](std::string& b) { Flip(b, b.size() / 2); },
                    L"Damaged archive item"},
        TDamageCase{"StoredDataFlipped", L"copy.7z", [](std::string& b) { Flip(b, b.size() / 2); },
                    L"Damaged archive item"},
        TDamageCase{"ProgramFlipped", L"program.7z", [](std::string& b) { Flip(b, b.size() / 2); },
                    L"\"bin\\program.exe\""}),
    [](const ::testing::TestParamInfo<TDamageCase>& info) { return std::string(info.param.name); });

TEST(SevenZipExtract, EncryptedItemsFailAndNameTheItem) {
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    test::TOpenArchive open(test::ArchivePath(L"encrypted.7z"));
    std::wstring message = ErrorText([&] { open.reader->ExtractAllToFolder(out); });
    EXPECT_NE(message.find(L"\"docs\\"), std::wstring::npos) << WideToUtf8(message);
    EXPECT_TRUE(test::ListTree(dir.Path()).files.empty());
}

TEST(SevenZipExtract, AProgressHandlerThatStopsEndsTheExtractionWithItsCode) {
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    test::TOpenArchive open(test::ArchivePath(L"lzma-bcj.7z"));
    TProgressLog progress;
    progress.answer = E_ABORT;
    open.reader->SetProgressHandler(&progress, LogProgress);
    HRESULT code = S_OK;
    std::wstring message = ErrorText([&] { open.reader->ExtractAllToFolder(out); }, &code);
    EXPECT_EQ(code, E_ABORT);
    EXPECT_NE(message.find(ResultText(E_ABORT)), std::wstring::npos) << WideToUtf8(message);
    ExpectOnlyIntactFiles(out);
    EXPECT_LT(test::ListTree(out).files.size(), Manifest().size());
}

UINT32 IndexOf(IArchiveReader& reader, const std::wstring& path) {
    for (UINT32 i = 0; i < reader.ItemCount(); ++i)
        if (reader.ItemPath(i) == path) return i;
    ADD_FAILURE() << "no item " << WideToUtf8(path);
    return 0;
}

TEST(SevenZipExtract, OneItemIntoAStream) {
    test::TOpenArchive open(test::ArchivePath(L"lzma-bcj.7z"));
    UINT32 random = IndexOf(*open.reader.Get(), L"random.bin");
    TMemoryStream memory;
    open.reader->ExtractItemToStream(random, memory, false);
    EXPECT_EQ(test::Sha256(memory.Bytes()), Manifest().at(L"random.bin"));
    TMemoryStream tested;
    open.reader->ExtractItemToStream(random, tested, true);
    EXPECT_TRUE(tested.Bytes().empty());
}

struct TProvided {
    std::map<UINT32, std::unique_ptr<TDataStream>> streams;
    std::vector<UINT32> asked;
};

HRESULT CALLBACK ProvideStream(void* context, UINT32 index, ISequentialOutStream** stream) {
    auto* provided = static_cast<TProvided*>(context);
    provided->asked.push_back(index);
    auto& slot = provided->streams[index];
    slot = std::make_unique<TMemoryStream>();
    *stream = static_cast<IOutStream*>(T7zStream::ByReference(*slot).Detach());
    return S_OK;
}

TEST(SevenZipExtract, ListedItemsIntoStreamsOfAProvider) {
    test::TOpenArchive open(test::ArchivePath(L"lzma2-bcj2.7z"));
    IArchiveReader& r = *open.reader.Get();
    UINT32 random = IndexOf(r, L"random.bin"), program = IndexOf(r, L"bin\\program.exe");
    TProvided provided;
    const UINT32 list[] = {program, random, program};  // out of order, one twice
    r.ExtractItemsToProvider(list, 3, false, &provided, ProvideStream);
    EXPECT_EQ(provided.asked, (std::vector<UINT32>{std::min(random, program), std::max(random, program)}));
    auto bytes = [&](UINT32 i) { return static_cast<TMemoryStream&>(*provided.streams.at(i)).Bytes(); };
    EXPECT_EQ(test::Sha256(bytes(random)), Manifest().at(L"random.bin"));
    EXPECT_EQ(test::Sha256(bytes(program)), Manifest().at(L"bin\\program.exe"));

    HRESULT code = S_OK;
    const UINT32 outside[] = {r.ItemCount()};
    ErrorText([&] { r.ExtractItemsToProvider(outside, 1, false, &provided, ProvideStream); }, &code);
    EXPECT_EQ(code, E_INVALIDARG);
}

// A write that runs out of room, through the per-item provider (a full disk).
HRESULT CALLBACK ProvideFullDisk(void* context, UINT32, ISequentialOutStream** stream) {
    class TFull final : public TDataStream {
    public:
        bool Read(void*, UINT32, UINT32& done) override { return (done = 0), true; }
        bool Write(const void*, UINT32, UINT32& done) override {
            done = 0;
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        bool Seek(INT64, DWORD, UINT64& position) override { return (position = 0), true; }
        bool Size(UINT64& size) override { return (size = 0), true; }
        bool SetSize(UINT64) override { return true; }
    };
    auto* keep = static_cast<std::vector<std::unique_ptr<TDataStream>>*>(context);
    keep->push_back(std::make_unique<TFull>());
    *stream = static_cast<IOutStream*>(T7zStream::ByReference(*keep->back()).Detach());
    return S_OK;
}

TEST(SevenZipExtract, AFullDiskFailsTheExtractionAndNamesTheItem) {
    test::TOpenArchive open(test::ArchivePath(L"program.7z"));
    std::vector<std::unique_ptr<TDataStream>> keep;
    HRESULT code = S_OK;
    std::wstring message = ErrorText([&] { open.reader->ExtractAllToProvider(false, &keep, ProvideFullDisk); }, &code);
    EXPECT_EQ(code, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_NE(message.find(L"\"bin\\program.exe\""), std::wstring::npos) << WideToUtf8(message);
}

TEST(SevenZipPayload, UnpacksFlatIntoTheInstallFolder) {
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    test::TOpenArchive open(test::BuildPath(QM_TEST_PAYLOAD));
    for (UINT32 i = 0; i < open.reader->ItemCount(); ++i) EXPECT_FALSE(open.reader->ItemIsFolder(i));
    open.reader->ExtractAllToFolder(out);
    test::TTreeListing unpacked = test::ListTree(out), staged = test::ListTree(test::BuildPath(QM_TEST_STAGE));
    EXPECT_EQ(unpacked.files, staged.files);
    EXPECT_TRUE(unpacked.folders.empty());
    EXPECT_EQ(unpacked.files.count(L"quilmar.exe"), 1u);
    EXPECT_EQ(unpacked.files.count(L"QuilMar.chm"), 1u);
}

// The shipped setup program is 32-bit and carries the i686 library: where the
// 32-bit build and Wine's 32-bit loader are both there, it unpacks the same tree.
TEST(SevenZip32, TheShippedLibraryUnpacksTheTreeByteForByte) {
    QM_SKIP_WITHOUT_32BIT();
    std::wstring unpack = test::Bin32Path(L"qmunpack.exe"), library = test::BuildPath(QM_TEST_LIBRARY32);
    if (!IsExistingFile(library)) GTEST_SKIP() << "no 32-bit 7z.dll (build/mingw32) to test";
    test::TempDir dir;
    std::wstring out = dir / kInstallFolder;
    test::Process run = test::Process::Start(
        unpack, L"\"" + library + L"\" \"" + test::ArchivePath(L"lzma-bcj.7z") + L"\" \"" + out + L"\"");
    EXPECT_EQ(run.WaitExit(60000), 0u);
    EXPECT_EQ(test::ListTree(out).files, Manifest());
}

}  // namespace
}  // namespace qm
