// Unpacking the payload archive through the setup program's 7-Zip adapter
// (path checks, a file beside each target moved into place once verified)
// against the floor of the same run: the same library in the same process
// driven by a bare extraction callback that writes each item straight to its
// file and checks nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "benchutil.h"
#include "setup/privatecopy.h"
#include "setup/sevenzip.h"
#include "support/sevenzipfixture.h"
#include "support/tempdir.h"

using Microsoft::WRL::ComPtr;
using namespace qm;

namespace {

// The least an extraction callback can do: one file per item, written as it comes.
class TBareCallback final : public IArchiveExtractCallback, public ISequentialOutStream {
public:
    TBareCallback(IInArchive& archive, std::wstring folder) : archive_(archive), folder_(std::move(folder)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IArchiveExtractCallback || iid == IID_IProgress)
            *out = static_cast<IArchiveExtractCallback*>(this);
        else if (iid == IID_ISequentialOutStream)
            *out = static_cast<ISequentialOutStream*>(this);
        else
            return (*out = nullptr), E_NOINTERFACE;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetTotal(UINT64) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** out, INT32 mode) override {
        *out = nullptr;
        file_.reset();
        if (mode != k7zAskExtract) return S_OK;
        PROPVARIANT path;
        ::PropVariantInit(&path);
        archive_.GetProperty(index, kpidPath, &path);
        if (path.vt == VT_BSTR)
            file_.reset(::CreateFileW((folder_ + path.bstrVal).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ::PropVariantClear(&path);
        if (!file_) return E_FAIL;
        *out = static_cast<ISequentialOutStream*>(this);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PrepareOperation(INT32) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 result) override {
        file_.reset();
        return result == k7zResultOk ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processed) override {
        DWORD done = 0;
        BOOL ok = ::WriteFile(file_.get(), data, size, &done, nullptr);
        if (processed) *processed = done;
        return ok ? S_OK : E_FAIL;
    }

private:
    IInArchive& archive_;
    std::wstring folder_;
    unique_hfile file_;
};

void BareExtract(const std::wstring& library, const std::wstring& archive, const std::wstring& folder) {
    unique_hmodule module(::LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    auto create =
        reinterpret_cast<TCreateObjectFunc>(reinterpret_cast<void*>(::GetProcAddress(module.get(), "CreateObject")));
    ComPtr<IInArchive> handler;
    create(&CLSID_7zFormat, &IID_IInArchive, reinterpret_cast<void**>(handler.GetAddressOf()));
    ComPtr<T7zStream> stream = T7zStream::Owning(TFileStream::OpenRead(archive));
    const UINT64 maxCheck = 1 << 20;
    handler->Open(stream.Get(), &maxCheck, nullptr);
    CreateFolderTree(folder);
    TBareCallback callback(*handler.Get(), JoinPath(folder, L""));
    if (handler->Extract(nullptr, 0xFFFFFFFF, 0, &callback) != S_OK) std::printf("  bare extraction failed\n");
    handler.Reset();
}

}  // namespace

int main() {
    std::wstring archive = test::BuildPath(QM_BENCH_PAYLOAD);
    auto library = test::PrivateLibrary();
    if (!library || !IsExistingFile(archive)) {
        std::printf("bench_setup: the library or the payload is missing\n");
        return 1;
    }
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = JoinPath(temp, L"qm-bench-setup");
    auto clear = [&] { test::RemoveTree(folder); };

    // Alternating runs, so a busy machine slows both sides alike.
    double ours = 1e30, bare = 1e30;
    for (int run = 0; run < 15; ++run) {
        ours = std::min(ours, bench::Best(
                                  1,
                                  [&] {
                                      ComPtr<IArchiveReader> reader = CreateArchiveReader(library->Path());
                                      reader->OpenArchiveFile(archive);
                                      reader->ExtractAllToFolder(folder);
                                  },
                                  clear));
        bare = std::min(bare, bench::Best(
                                  1, [&] { BareExtract(library->Path(), archive, folder); }, clear));
    }
    UINT64 size = 0;
    if (auto unpacked = TFileStream::OpenRead(JoinPath(folder, L"quilmar.exe"))) unpacked->Size(size);
    std::printf("  payload %zu bytes packed, quilmar.exe %llu bytes\n", ReadFileBytes(archive)->size(),
                static_cast<unsigned long long>(size));
    bench::Report("setup_payload_extract", ours, bare, 1.3);
    clear();
    return 0;
}
