#include "setup/sevenzip.h"

#include <oleauto.h>

#include <algorithm>
#include <new>
#include <vector>

#include "base/files.h"
#include "base/strings.h"
#include "base/system.h"
#include "setup/itempath.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

// Where the handler may look for the archive's start (self-extracting stubs).
constexpr UINT64 kMaxCheckStartPosition = 1 << 20;
constexpr UINT32 kAllItems = 0xFFFFFFFF;

// The last error as a result code; a failure without one is still a failure.
HRESULT LastErrorResult() {
    DWORD error = ::GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

bool IsAbsolutePath(const std::wstring& path) {
    bool drive = path.size() > 2 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    bool unc = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
    return drive || unc;
}

std::wstring BstrText(const PROPVARIANT& value) {
    return value.vt == VT_BSTR && value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal))
                                                : std::wstring();
}

std::wstring OperationResultText(INT32 result) {
    switch (result) {
        case k7zResultUnsupportedMethod: return L"unsupported compression method";
        case k7zResultDataError: return L"data error";
        case k7zResultCrcError: return L"CRC error";
        case k7zResultUnavailable: return L"data unavailable";
        case k7zResultUnexpectedEnd: return L"unexpected end of data";
        case k7zResultDataAfterEnd: return L"data after the end";
        case k7zResultIsNotArc: return L"not an archive";
        case k7zResultHeadersError: return L"damaged headers";
        case k7zResultWrongPassword: return L"wrong password";
        default: return Format(L"extraction result %d", result);
    }
}

const HRESULT kRefused = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);

std::wstring RefusedText(const std::wstring& item, const std::wstring& folder) {
    return Format(L"Refused archive item \"%ls\": its path does not stay inside %ls", item.c_str(), folder.c_str());
}

template <class Fn>
HRESULT Guarded(Fn&& fn) noexcept {
    try {
        return fn();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// Runs its action when the scope ends, also when it ends by an exception.
template <class Fn>
class TScopeExit {
public:
    explicit TScopeExit(Fn fn) : fn_(std::move(fn)) {}
    ~TScopeExit() { fn_(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    Fn fn_;
};

}  // namespace

// ---- errors ----

T7zError::T7zError(HRESULT code, const std::wstring& message)
    : std::runtime_error(WideToUtf8(message)), code_(code), message_(message) {}

std::wstring ResultText(HRESULT code) {
    std::wstring text = SystemErrorText(static_cast<DWORD>(code));
    if (text.empty() && HRESULT_FACILITY(code) == FACILITY_WIN32) text = SystemErrorText(HRESULT_CODE(code));
    return text.empty() ? Format(L"Error 0x%08lX", static_cast<unsigned long>(code)) : text;
}

// ---- stream adapter ----

T7zStream::T7zStream(TDataStream* stream, std::unique_ptr<TDataStream> owned)
    : owned_(std::move(owned)), stream_(stream) {}

// Objects start without references; the first ComPtr takes one.
ComPtr<T7zStream> T7zStream::ByReference(TDataStream& stream) {
    return ComPtr<T7zStream>(new T7zStream(&stream, nullptr));
}

ComPtr<T7zStream> T7zStream::Owning(std::unique_ptr<TDataStream> stream) {
    TDataStream* raw = stream.get();
    return ComPtr<T7zStream>(new T7zStream(raw, std::move(stream)));
}

HRESULT T7zStream::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialInStream || iid == IID_IInStream)
        *out = static_cast<IInStream*>(this);
    else if (iid == IID_IStreamGetSize)
        *out = static_cast<IStreamGetSize*>(this);
    else if (iid == IID_ISequentialOutStream || iid == IID_IOutStream)
        *out = static_cast<IOutStream*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG T7zStream::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG T7zStream::Release() {
    LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT T7zStream::Read(void* data, UINT32 size, UINT32* processedSize) {
    UINT32 done = 0;
    bool ok = stream_->Read(data, size, done);
    if (processedSize) *processedSize = done;
    return ok ? S_OK : LastErrorResult();
}

HRESULT T7zStream::Write(const void* data, UINT32 size, UINT32* processedSize) {
    UINT32 done = 0;
    bool ok = stream_->Write(data, size, done);
    if (processedSize) *processedSize = done;
    return ok ? S_OK : LastErrorResult();
}

HRESULT T7zStream::Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) {
    if (seekOrigin > FILE_END) return STG_E_INVALIDFUNCTION;
    UINT64 position = 0;
    if (!stream_->Seek(offset, seekOrigin, position)) return LastErrorResult();
    if (newPosition) *newPosition = position;
    return S_OK;
}

HRESULT T7zStream::SetSize(UINT64 newSize) { return stream_->SetSize(newSize) ? S_OK : LastErrorResult(); }

HRESULT T7zStream::GetSize(UINT64* size) {
    if (!size) return E_POINTER;
    return stream_->Size(*size) ? S_OK : LastErrorResult();
}

// ---- library ----

T7zPlugin::T7zPlugin(const std::wstring& libraryPath) : path_(libraryPath) {
    // A bare name would be looked up along the search order (the program's
    // folder first, where anything may lie), so only full paths are loaded.
    if (IsAbsolutePath(libraryPath)) {
        UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        library_.reset(::LoadLibraryExW(LongPathForm(libraryPath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        DWORD error = ::GetLastError();
        ::SetErrorMode(previous);
        ::SetLastError(error);
    }
    if (!library_)
        throw T7zError(IsAbsolutePath(libraryPath) ? LastErrorResult() : E_INVALIDARG,
                       Format(L"Error loading library %ls", libraryPath.c_str()));
    createObject_ =
        reinterpret_cast<TCreateObjectFunc>(reinterpret_cast<void*>(::GetProcAddress(library_.get(), "CreateObject")));
    if (!createObject_) {
        library_.reset();
        throw T7zError(E_NOINTERFACE, Format(L"%ls is not a 7z library", libraryPath.c_str()));
    }
}

HRESULT T7zPlugin::CreateObject(const GUID& classId, const GUID& iid, void** object) const {
    return createObject_(&classId, &iid, object);
}

ULONG T7zPlugin::AddReference() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG T7zPlugin::DropReference() {
    LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

T7zArchive::T7zArchive(const std::wstring& libraryPath) : T7zPlugin(libraryPath) {
    getHandlerProperty_ = reinterpret_cast<TGetHandlerPropertyFunc>(
        reinterpret_cast<void*>(::GetProcAddress(Library(), "GetHandlerProperty")));
    if (!getHandlerProperty_)
        throw T7zError(E_NOINTERFACE, Format(L"%ls is not a Format library", libraryPath.c_str()));
}

// ---- the file an item goes to ----

// Written beside its target and moved over it only when the library reports
// the item intact; dropped (target untouched) otherwise.
class T7zInArchive::TItemFile final : public TDataStream {
public:
    explicit TItemFile(const std::wstring& path) { file_.emplace(path); }
    bool IsOpen() const { return file_ && file_->IsOpen(); }
    bool Commit() { return file_ && file_->Commit(TDurability::NoFlush); }
    // Removes what was written now, whoever still holds the stream.
    void Discard() { file_.reset(); }

    bool Read(void*, UINT32, UINT32& done) override { return Unsupported(done); }
    bool Write(const void* buffer, UINT32 size, UINT32& done) override {
        done = 0;
        if (!file_) {
            ::SetLastError(ERROR_CANCELLED);
            return false;
        }
        if (!file_->Write(std::string_view(static_cast<const char*>(buffer), size))) return false;
        done = size;
        written_ += size;
        return true;
    }
    bool Seek(INT64 offset, DWORD origin, UINT64& position) override {
        // The library only asks where it is; the file is written in one pass.
        if (offset != 0 || origin != FILE_CURRENT) return Unsupported();
        position = written_;
        return true;
    }
    bool Size(UINT64& size) override {
        size = written_;
        return true;
    }
    bool SetSize(UINT64) override { return Unsupported(); }

private:
    static bool Unsupported() {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    static bool Unsupported(UINT32& done) {
        done = 0;
        return Unsupported();
    }
    std::optional<TReplacingFile> file_;
    UINT64 written_ = 0;
};

// ---- reader ----

T7zInArchive::T7zInArchive(const std::wstring& libraryPath) : T7zArchive(libraryPath) {}

// The handler goes first, then (in the base) the library.
T7zInArchive::~T7zInArchive() {
    DropCurrentFile();
    handler_.Reset();
}

HRESULT T7zInArchive::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IArchiveReader)
        *out = static_cast<IArchiveReader*>(this);
    else if (iid == IID_IArchiveOpenCallback)
        *out = static_cast<IArchiveOpenCallback*>(this);
    else if (iid == IID_IArchiveExtractCallback || iid == IID_IProgress)
        *out = static_cast<IArchiveExtractCallback*>(this);
    else if (iid == IID_ICryptoGetTextPassword)
        *out = static_cast<ICryptoGetTextPassword*>(this);
    else if (iid == IID_IArchiveOpenVolumeCallback)
        *out = static_cast<IArchiveOpenVolumeCallback*>(this);
    else if (iid == IID_IArchiveOpenSetSubArchiveName)
        *out = static_cast<IArchiveOpenSetSubArchiveName*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG T7zInArchive::AddRef() { return AddReference(); }
ULONG T7zInArchive::Release() { return DropReference(); }

void T7zInArchive::Check(HRESULT result) {
    if (result != S_OK) throw T7zError(result, ResultText(result));
}

IInArchive& T7zInArchive::Handler() {
    if (!handler_) {
        HRESULT hr =
            CreateObject(ClassId(), IID_IInArchive, reinterpret_cast<void**>(handler_.ReleaseAndGetAddressOf()));
        if (FAILED(hr)) throw T7zError(hr, ResultText(hr));
        if (!handler_) throw T7zError(E_NOINTERFACE, ResultText(E_NOINTERFACE));
    }
    return *handler_.Get();
}

IInArchive* T7zInArchive::HandlerObject() { return &Handler(); }

void T7zInArchive::OpenArchiveFile(const std::wstring& path) {
    std::unique_ptr<TFileStream> file = TFileStream::OpenRead(path);
    if (!file) {
        HRESULT hr = LastErrorResult();
        throw T7zError(hr, Format(L"Cannot open %ls: %ls", path.c_str(), ResultText(hr).c_str()));
    }
    ComPtr<T7zStream> stream = T7zStream::Owning(std::move(file));
    OpenArchiveStream(stream.Get());
}

void T7zInArchive::OpenArchiveStream(IInStream* stream) {
    const UINT64 maxCheck = kMaxCheckStartPosition;
    HRESULT hr = Handler().Open(stream, &maxCheck, static_cast<IArchiveOpenCallback*>(this));
    // S_FALSE: the handler did not recognise the data as its format.
    if (hr == S_FALSE) throw T7zError(hr, L"The file is not a 7z archive, or its headers are damaged");
    Check(hr);
}

void T7zInArchive::CloseArchive() {
    passwordDefined_ = false;
    subArchiveMode_ = false;
    if (handler_) handler_->Close();
    handler_.Reset();
}

PROPVARIANT T7zInArchive::ItemProperty(UINT32 index, PROPID id) {
    PROPVARIANT value;
    ::PropVariantInit(&value);
    // The handler does not check the index itself.
    UINT32 count = 0;
    if (Handler().GetNumberOfItems(&count) == S_OK && index < count) handler_->GetProperty(index, id, &value);
    return value;
}

UINT32 T7zInArchive::ItemCount() {
    UINT32 count = 0;
    Check(Handler().GetNumberOfItems(&count));
    return count;
}

std::wstring T7zInArchive::ItemPath(UINT32 index) {
    PROPVARIANT value = ItemProperty(index, kpidPath);
    std::wstring text = BstrText(value);
    ::PropVariantClear(&value);
    return text;
}

std::wstring T7zInArchive::ItemName(UINT32 index) {
    PROPVARIANT value = ItemProperty(index, kpidName);
    std::wstring text = BstrText(value);
    ::PropVariantClear(&value);
    return text.empty() ? FileNameOf(ItemPath(index)) : text;
}

UINT64 T7zInArchive::ItemSize(UINT32 index) {
    PROPVARIANT value = ItemProperty(index, kpidSize);
    UINT64 size = value.vt == VT_UI8 ? value.uhVal.QuadPart : value.vt == VT_UI4 ? value.ulVal : 0;
    ::PropVariantClear(&value);
    return size;
}

bool T7zInArchive::ItemIsFolder(UINT32 index) {
    PROPVARIANT value = ItemProperty(index, kpidIsDir);
    bool folder = value.vt == VT_BOOL && value.boolVal != VARIANT_FALSE;
    ::PropVariantClear(&value);
    return folder;
}

std::wstring T7zInArchive::CurrentItemText() {
    if (!currentItem_) return {};
    std::wstring path = ItemPath(*currentItem_);
    return path.empty() ? Format(L"item %u", *currentItem_) : L"\"" + path + L"\"";
}

HRESULT T7zInArchive::Fail(HRESULT code, const std::wstring& message) {
    if (!failure_) failure_ = TFailure{code, message};
    return code;
}

void T7zInArchive::Extract(const UINT32* indices, UINT32 count, bool test) {
    failure_.reset();
    currentItem_.reset();
    TScopeExit done([this] {
        // A file the library did not finish is dropped.
        DropCurrentFile();
        currentItem_.reset();
    });
    HRESULT hr = Handler().Extract(indices, count, test ? 1 : 0, static_cast<IArchiveExtractCallback*>(this));
    if (failure_) throw T7zError(failure_->code, failure_->message);
    if (hr != S_OK) {
        std::wstring item = CurrentItemText();
        throw T7zError(hr, item.empty() ? ResultText(hr) : Format(L"%ls: %ls", item.c_str(), ResultText(hr).c_str()));
    }
}

void T7zInArchive::ExtractItemToStream(UINT32 index, TDataStream& target, bool test) {
    targetStream_ = &target;
    TScopeExit clear([this] { targetStream_ = nullptr; });
    Extract(&index, 1, test);
}

void T7zInArchive::ExtractItemsToProvider(const UINT32* indices, UINT32 count, bool test, void* context,
                                          TItemStreamProvider provider) {
    // The handler takes its index list in ascending order, each item once.
    std::vector<UINT32> sorted(indices, indices + count);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (!sorted.empty() && sorted.back() >= ItemCount())
        throw T7zError(E_INVALIDARG, Format(L"The archive has no item %u", sorted.back()));
    ExtractToProvider(sorted.data(), static_cast<UINT32>(sorted.size()), test, context, provider);
}

void T7zInArchive::ExtractAllToProvider(bool test, void* context, TItemStreamProvider provider) {
    ExtractToProvider(nullptr, kAllItems, test, context, provider);
}

void T7zInArchive::ExtractToProvider(const UINT32* indices, UINT32 count, bool test, void* context,
                                     TItemStreamProvider provider) {
    providerContext_ = context;
    streamProvider_ = provider;
    TScopeExit clear([this] {
        providerContext_ = nullptr;
        streamProvider_ = nullptr;
    });
    Extract(indices, count, test);
}

// Every item's path is checked before the first byte is written.
void T7zInArchive::CheckAllItemPaths(const std::wstring& root) {
    UINT32 count = ItemCount();
    for (UINT32 i = 0; i < count; ++i) {
        std::wstring path = ItemPath(i);
        if (!ResolveItemPath(root, path)) throw T7zError(kRefused, RefusedText(path, root));
    }
}

void T7zInArchive::ExtractAllToFolder(const std::wstring& folder) {
    std::wstring root = FullFolderPath(folder);
    if (root.empty())
        throw T7zError(HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME), Format(L"No folder to extract to: %ls", folder.c_str()));
    CheckAllItemPaths(root);
    folder_ = root;
    TScopeExit clear([this] { folder_.clear(); });
    Extract(nullptr, kAllItems, false);
}

void T7zInArchive::SetPasswordProvider(void* context, TPasswordProvider provider) {
    passwordContext_ = context;
    passwordProvider_ = provider;
}

void T7zInArchive::SetPasswordText(const std::wstring& password) {
    password_ = password;
    passwordDefined_ = !password.empty();
}

void T7zInArchive::SetProgressHandler(void* context, TProgressHandler handler) {
    progressContext_ = context;
    progressHandler_ = handler;
}

void T7zInArchive::SetFormatClassId(const GUID& classId) { SetClassId(classId); }
GUID T7zInArchive::FormatClassId() { return ClassId(); }

// ---- callbacks of the library ----

HRESULT T7zInArchive::SetTotal(const UINT64*, const UINT64*) { return S_OK; }
HRESULT T7zInArchive::SetCompleted(const UINT64*, const UINT64*) { return S_OK; }

HRESULT T7zInArchive::SetTotal(UINT64 total) {
    return progressHandler_ ? progressHandler_(progressContext_, true, total) : S_OK;
}

HRESULT T7zInArchive::SetCompleted(const UINT64* completeValue) {
    if (!progressHandler_ || !completeValue) return S_OK;
    return progressHandler_(progressContext_, false, *completeValue);
}

HRESULT T7zInArchive::FolderItemStream(UINT32 index, ISequentialOutStream** outStream) {
    std::wstring path = ItemPath(index);
    std::optional<std::wstring> target = ResolveItemPath(folder_, path);
    if (!target) return Fail(kRefused, RefusedText(path, folder_));
    if (!CreateFolderTree(FolderOf(*target))) {
        HRESULT hr = LastErrorResult();
        return Fail(hr, Format(L"Cannot create the folder of \"%ls\": %ls", path.c_str(), ResultText(hr).c_str()));
    }
    auto file = std::make_unique<TItemFile>(*target);
    if (!file->IsOpen()) {
        HRESULT hr = LastErrorResult();
        return Fail(hr, Format(L"Cannot write \"%ls\": %ls", path.c_str(), ResultText(hr).c_str()));
    }
    currentFile_ = file.get();
    currentStream_ = T7zStream::Owning(std::move(file));
    ComPtr<ISequentialOutStream> out(static_cast<IOutStream*>(currentStream_.Get()));
    *outStream = out.Detach();
    return S_OK;
}

HRESULT T7zInArchive::GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) {
    return Guarded([&]() -> HRESULT {
        if (!outStream) return E_POINTER;
        *outStream = nullptr;
        currentItem_ = index;
        DropCurrentFile();
        if (askExtractMode != k7zAskExtract) return S_OK;
        if (targetStream_) {
            ComPtr<T7zStream> stream = T7zStream::ByReference(*targetStream_);
            *outStream = static_cast<IOutStream*>(stream.Detach());
            return S_OK;
        }
        if (streamProvider_) return streamProvider_(providerContext_, index, outStream);
        if (!folder_.empty() && !ItemIsFolder(index)) return FolderItemStream(index, outStream);
        // Folder items create nothing: folders appear as the parents of files.
        return S_OK;
    });
}

HRESULT T7zInArchive::PrepareOperation(INT32) { return S_OK; }

void T7zInArchive::DropCurrentFile() {
    if (currentFile_) currentFile_->Discard();
    currentFile_ = nullptr;
    currentStream_.Reset();
}

HRESULT T7zInArchive::FinishItem(INT32 opRes) {
    HRESULT hr = S_OK;
    if (opRes != k7zResultOk) {
        hr = Fail(E_FAIL, Format(L"Damaged archive item %ls: %ls", CurrentItemText().c_str(),
                                 OperationResultText(opRes).c_str()));
    } else if (currentFile_ && !currentFile_->Commit()) {
        hr = LastErrorResult();
        Fail(hr, Format(L"Cannot write %ls: %ls", CurrentItemText().c_str(), ResultText(hr).c_str()));
    }
    DropCurrentFile();
    return hr;
}

HRESULT T7zInArchive::SetOperationResult(INT32 opRes) {
    return Guarded([&] { return FinishItem(opRes); });
}

HRESULT T7zInArchive::CryptoGetTextPassword(BSTR* password) {
    return Guarded([&]() -> HRESULT {
        if (!password) return E_POINTER;
        *password = nullptr;
        if (!passwordDefined_) {
            // Without a password the request is refused outright: an answer that
            // counts as success would send the library on without one.
            if (!passwordProvider_) return E_ABORT;
            std::wstring text;
            HRESULT hr = passwordProvider_(passwordContext_, text);
            if (hr != S_OK) return FAILED(hr) ? hr : E_ABORT;
            password_ = text;
            passwordDefined_ = true;
        }
        *password = ::SysAllocStringLen(password_.data(), static_cast<UINT>(password_.size()));
        return *password ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT T7zInArchive::GetProperty(PROPID, PROPVARIANT* value) {
    if (value) ::PropVariantInit(value);
    return S_OK;
}

// Archives in several volumes are not handled: there is no other volume.
HRESULT T7zInArchive::GetStream(const wchar_t*, IInStream** inStream) {
    if (inStream) *inStream = nullptr;
    return S_FALSE;
}

HRESULT T7zInArchive::SetSubArchiveName(const wchar_t* name) {
    return Guarded([&] {
        subArchiveMode_ = true;
        subArchiveName_ = name ? name : L"";
        return S_OK;
    });
}

ComPtr<IArchiveReader> CreateArchiveReader(const std::wstring& libraryPath, const GUID& classId) {
    ComPtr<IArchiveReader> reader(static_cast<IArchiveReader*>(new T7zInArchive(libraryPath)));
    reader->SetFormatClassId(classId);
    return reader;
}

}  // namespace qm
