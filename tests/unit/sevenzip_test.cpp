// The 7-Zip adapter's loading rules, item queries, callbacks and stream adapter,
// against this build's real 7z.dll.
#include "setup/sevenzip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/files.h"
#include "base/strings.h"
#include "support/sevenzipfixture.h"
#include "support/tempdir.h"

using Microsoft::WRL::ComPtr;

namespace qm {
namespace {

// The message of the error that fn raises (empty when it raises none).
template <class Fn>
T7zError ErrorOf(Fn&& fn) {
    try {
        fn();
    } catch (const T7zError& e) {
        return e;
    }
    return T7zError(S_OK, L"");
}

TEST(SevenZipLibrary, LoadsFromItsPrivateCopyAndUnloadsWhenTheReaderGoes) {
    auto copy = test::PrivateLibrary();
    ASSERT_TRUE(copy);
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_FALSE(StartsWithNoCase(copy->Path(), system));
    EXPECT_TRUE(EqualsNoCase(FileNameOf(copy->Path()), L"7z.dll"));

    ComPtr<IArchiveReader> reader = CreateArchiveReader(copy->Path());
    EXPECT_TRUE(IsEqualGUID(reader->FormatClassId(), CLSID_7zFormat));
    HMODULE loaded = ::GetModuleHandleW(copy->Path().c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(EqualsNoCase(ModulePath(loaded), copy->Path()));
    ASSERT_NE(reader->HandlerObject(), nullptr);

    reader.Reset();
    EXPECT_EQ(::GetModuleHandleW(copy->Path().c_str()), nullptr);
    EXPECT_TRUE(copy->Remove());
    EXPECT_FALSE(PathExists(copy->Path()));
    EXPECT_FALSE(PathExists(copy->Folder()));
}

TEST(SevenZipLibrary, EveryCopyGetsAFreshFolder) {
    auto first = test::PrivateLibrary();
    auto second = test::PrivateLibrary();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->Folder(), second->Folder());
    EXPECT_FALSE(TPrivateCopy::Write(L"..\\7z.dll", "x"));
    EXPECT_FALSE(TPrivateCopy::Write(L"", "x"));
}

// A bare name would be looked for beside the program and in the current folder.
TEST(SevenZipLibrary, OnlyAFullPathIsLoaded) {
    auto copy = test::PrivateLibrary();
    ASSERT_TRUE(copy);
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(copy->Folder().c_str()));
    T7zError bare = ErrorOf([] { CreateArchiveReader(L"7z.dll"); });
    T7zError relative = ErrorOf([] { CreateArchiveReader(L".\\7z.dll"); });
    ::SetCurrentDirectoryW(previous);
    EXPECT_EQ(bare.Message(), L"Error loading library 7z.dll");
    EXPECT_EQ(relative.Message(), L"Error loading library .\\7z.dll");
    EXPECT_EQ(::GetModuleHandleW(copy->Path().c_str()), nullptr);
}

TEST(SevenZipLibrary, LibrariesThatAreNotTheFormatLibraryAreRefusedAndUnloaded) {
    test::TempDir dir;
    struct Case {
        const wchar_t* file;
        const wchar_t* message;
    } cases[] = {
        {L"test_fake7z_none.dll", L"%ls is not a 7z library"},
        {L"test_fake7z_noformat.dll", L"%ls is not a Format library"},
        {L"no-such-library.dll", L"Error loading library %ls"},
    };
    for (const Case& c : cases) {
        std::wstring path = JoinPath(ModuleFolder(), c.file);
        T7zError error = ErrorOf([&] { CreateArchiveReader(path); });
        EXPECT_EQ(error.Message(), Format(c.message, path.c_str())) << WideToUtf8(c.file);
        EXPECT_TRUE(FAILED(error.Code())) << WideToUtf8(c.file);
        EXPECT_EQ(::GetModuleHandleW(path.c_str()), nullptr) << WideToUtf8(c.file);
    }
}

TEST(SevenZipLibrary, AnUnknownFormatFailsWithTheSystemText) {
    auto copy = test::PrivateLibrary();
    ASSERT_TRUE(copy);
    const GUID unknown = {0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0xEE, 0x00, 0x00}};
    ComPtr<IArchiveReader> reader = CreateArchiveReader(copy->Path(), unknown);
    T7zError error = ErrorOf([&] { reader->OpenArchiveFile(test::ArchivePath(L"copy.7z")); });
    EXPECT_EQ(error.Code(), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(error.Message(), ResultText(CLASS_E_CLASSNOTAVAILABLE));
    EXPECT_FALSE(error.Message().empty());
}

TEST(SevenZipReader, ItemQueries) {
    test::TOpenArchive open(test::ArchivePath(L"lzma-bcj.7z"));
    IArchiveReader& r = *open.reader.Get();
    UINT32 count = r.ItemCount();
    ASSERT_EQ(count, 11u);  // five folders, six files
    std::map<std::wstring, UINT32> byPath;
    for (UINT32 i = 0; i < count; ++i) byPath[r.ItemPath(i)] = i;
    ASSERT_EQ(byPath.count(L"docs\\deep\\nested\\note.txt"), 1u);
    UINT32 note = byPath[L"docs\\deep\\nested\\note.txt"];
    EXPECT_EQ(r.ItemName(note), L"note.txt");
    EXPECT_EQ(r.ItemSize(note), 20u);
    EXPECT_FALSE(r.ItemIsFolder(note));
    EXPECT_EQ(r.ItemSize(byPath.at(L"random.bin")), 1048576u);
    EXPECT_TRUE(r.ItemIsFolder(byPath.at(L"empty folder")));
    EXPECT_EQ(byPath.count(L"résumé 日本語 ünï.txt"), 1u);
    // An item that is not there reads as empty values.
    EXPECT_EQ(r.ItemPath(count + 5), L"");
    EXPECT_EQ(r.ItemSize(count + 5), 0u);

    r.CloseArchive();
    EXPECT_EQ(r.ItemCount(), 0u);
    r.OpenArchiveFile(test::ArchivePath(L"copy.7z"));
    EXPECT_EQ(r.ItemCount(), 11u);
}

TEST(SevenZipReader, OpensFromAStreamOfTheLibrarysKind) {
    auto bytes = ReadFileBytes(test::ArchivePath(L"delta.7z"));
    ASSERT_TRUE(bytes);
    auto copy = test::PrivateLibrary();
    ComPtr<IArchiveReader> reader = CreateArchiveReader(copy->Path());
    ComPtr<T7zStream> stream = T7zStream::Owning(std::make_unique<TMemoryStream>(*bytes));
    reader->OpenArchiveStream(stream.Get());
    EXPECT_EQ(reader->ItemCount(), 11u);
}

TEST(SevenZipReader, FilesThatCannotBeOpenedRaiseThePlatformsError) {
    auto copy = test::PrivateLibrary();
    ComPtr<IArchiveReader> reader = CreateArchiveReader(copy->Path());
    std::wstring missing = test::ArchivePath(L"no-such-archive.7z");
    T7zError error = ErrorOf([&] { reader->OpenArchiveFile(missing); });
    EXPECT_EQ(error.Code(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(error.Message().find(missing), std::wstring::npos) << error.what();
}

// Reads the reader's answer to the library's password request.
HRESULT AskPassword(IArchiveReader& reader, std::wstring& answer) {
    ComPtr<ICryptoGetTextPassword> callback;
    if (FAILED(reader.QueryInterface(IID_ICryptoGetTextPassword, reinterpret_cast<void**>(callback.GetAddressOf()))))
        return E_NOINTERFACE;
    BSTR text = reinterpret_cast<BSTR>(1);
    HRESULT hr = callback->CryptoGetTextPassword(&text);
    answer = text ? std::wstring(text, ::SysStringLen(text)) : L"<null>";
    ::SysFreeString(text);
    return hr;
}

struct TPasswordSource {
    HRESULT result;
    const wchar_t* text;
    int calls = 0;
};

HRESULT CALLBACK ProvidePassword(void* context, std::wstring& password) {
    auto* source = static_cast<TPasswordSource*>(context);
    ++source->calls;
    password = source->text;
    return source->result;
}

TEST(SevenZipReader, PasswordRequestsAreAbortedUnlessAPasswordIsKnown) {
    auto copy = test::PrivateLibrary();
    ComPtr<IArchiveReader> reader = CreateArchiveReader(copy->Path());
    std::wstring answer;
    // Neither a password nor a provider: abort, never a result that counts as success.
    EXPECT_EQ(AskPassword(*reader.Get(), answer), E_ABORT);
    EXPECT_EQ(answer, L"<null>");

    reader->SetPasswordText(L"Secret");
    EXPECT_EQ(AskPassword(*reader.Get(), answer), S_OK);
    EXPECT_EQ(answer, L"Secret");
    reader->SetPasswordText(L"");
    EXPECT_EQ(AskPassword(*reader.Get(), answer), E_ABORT);

    TPasswordSource failing{E_FAIL, L"ignored"};
    reader->SetPasswordProvider(&failing, ProvidePassword);
    EXPECT_EQ(AskPassword(*reader.Get(), answer), E_FAIL);
    EXPECT_EQ(answer, L"<null>");
    TPasswordSource declining{S_FALSE, L"ignored"};
    reader->SetPasswordProvider(&declining, ProvidePassword);
    EXPECT_EQ(AskPassword(*reader.Get(), answer), E_ABORT);

    TPasswordSource giving{S_OK, L"från provider"};
    reader->SetPasswordProvider(&giving, ProvidePassword);
    EXPECT_EQ(AskPassword(*reader.Get(), answer), S_OK);
    EXPECT_EQ(answer, L"från provider");
    EXPECT_EQ(AskPassword(*reader.Get(), answer), S_OK);
    EXPECT_EQ(giving.calls, 1);  // kept after the first answer
}

// A stream whose writes stop after a number of bytes, as on a full disk.
class TFullDiskStream final : public TDataStream {
public:
    explicit TFullDiskStream(UINT32 room) : room_(room) {}
    bool Read(void*, UINT32, UINT32& done) override { return (done = 0), true; }
    bool Write(const void*, UINT32 size, UINT32& done) override {
        done = std::min(size, room_);
        room_ -= done;
        if (done == size) return true;
        ::SetLastError(ERROR_DISK_FULL);
        return false;
    }
    bool Seek(INT64, DWORD, UINT64& position) override { return (position = 0), true; }
    bool Size(UINT64& size) override { return (size = 0), true; }
    bool SetSize(UINT64) override { return true; }

private:
    UINT32 room_;
};

TEST(SevenZipStream, FailuresOfTheWrappedStreamReachTheLibrary) {
    TFullDiskStream full(10);
    ComPtr<T7zStream> stream = T7zStream::ByReference(full);
    char data[16] = {};
    UINT32 done = 99;
    EXPECT_EQ(stream->Write(data, 8, &done), S_OK);
    EXPECT_EQ(done, 8u);
    EXPECT_EQ(stream->Write(data, 8, &done), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(stream->Seek(0, 7, nullptr), STG_E_INVALIDFUNCTION);
}

TEST(SevenZipStream, ReadsSeeksAndSizesTheWrappedStream) {
    TMemoryStream memory(std::string("0123456789"));
    ComPtr<T7zStream> stream = T7zStream::ByReference(memory);
    ComPtr<IInStream> in;
    ASSERT_EQ(stream->QueryInterface(IID_IInStream, reinterpret_cast<void**>(in.GetAddressOf())), S_OK);
    ComPtr<IStreamGetSize> sized;
    ASSERT_EQ(stream->QueryInterface(IID_IStreamGetSize, reinterpret_cast<void**>(sized.GetAddressOf())), S_OK);
    ComPtr<IOutStream> out;
    ASSERT_EQ(stream->QueryInterface(IID_IOutStream, reinterpret_cast<void**>(out.GetAddressOf())), S_OK);
    ComPtr<IUnknown> other;
    EXPECT_EQ(stream->QueryInterface(IID_IArchiveExtractCallback, reinterpret_cast<void**>(other.GetAddressOf())),
              E_NOINTERFACE);

    UINT64 position = 0, size = 0;
    EXPECT_EQ(in->Seek(-3, FILE_END, &position), S_OK);
    EXPECT_EQ(position, 7u);
    char buffer[8] = {};
    UINT32 done = 0;
    EXPECT_EQ(in->Read(buffer, 8, &done), S_OK);
    EXPECT_EQ(std::string(buffer, done), "789");
    EXPECT_EQ(in->Read(buffer, 8, &done), S_OK);  // the end is no failure
    EXPECT_EQ(done, 0u);
    EXPECT_NE(in->Seek(-20, FILE_CURRENT, &position), S_OK);
    EXPECT_EQ(sized->GetSize(&size), S_OK);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(out->SetSize(4), S_OK);
    EXPECT_EQ(out->Seek(0, FILE_END, &position), S_OK);
    EXPECT_EQ(out->Write("ab", 2, nullptr), S_OK);
    EXPECT_EQ(memory.Bytes(), "0123ab");
}

TEST(SevenZipStream, AnOwnedStreamIsFreedWithItsAdapter) {
    test::TempDir dir;
    std::wstring path = dir / L"owned.bin";
    {
        auto file = TFileStream::Create(path);
        ASSERT_TRUE(file);
        ComPtr<T7zStream> stream = T7zStream::Owning(std::move(file));
        EXPECT_EQ(stream->Write("abc", 3, nullptr), S_OK);
        // Still open: nobody else may write it.
        EXPECT_FALSE(TFileStream::Create(path));
    }
    EXPECT_EQ(ReadFileBytes(path).value_or(""), "abc");
    EXPECT_TRUE(TFileStream::Create(path));
}

}  // namespace
}  // namespace qm
