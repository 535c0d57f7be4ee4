// The setup program's adapter to the 7-Zip library: loads the library by full
// path, creates its 7z format handler, wraps the program's streams as the
// library's stream objects and answers its callbacks while an archive is opened
// and unpacked into a folder.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/unique_any.h"
#include "setup/datastream.h"
#include "setup/sevenzipapi.h"

namespace qm {

// Every failure of the adapter: the message says what failed and, for a failure
// while extracting, which item; Code is the result code behind it.
class T7zError : public std::runtime_error {
public:
    T7zError(HRESULT code, const std::wstring& message);
    HRESULT Code() const { return code_; }
    const std::wstring& Message() const { return message_; }

private:
    HRESULT code_;
    std::wstring message_;
};

// The system's text for a result code ("Error 0x...." when it has none).
std::wstring ResultText(HRESULT code);

// Callbacks of the reader, all with the calling convention of Windows callbacks.
// A result other than S_OK (0) is handed back to the library, which then stops.
using TProgressHandler = HRESULT(CALLBACK*)(void* context, bool isTotal, UINT64 value);
using TItemStreamProvider = HRESULT(CALLBACK*)(void* context, UINT32 index, ISequentialOutStream** stream);
using TPasswordProvider = HRESULT(CALLBACK*)(void* context, std::wstring& password);

// Adapter from a TDataStream to the library's stream interfaces, by reference
// (the caller keeps the stream alive) or owning it (freed with the adapter).
class T7zStream final : public IInStream, public IStreamGetSize, public IOutStream {
public:
    static Microsoft::WRL::ComPtr<T7zStream> ByReference(TDataStream& stream);
    static Microsoft::WRL::ComPtr<T7zStream> Owning(std::unique_ptr<TDataStream> stream);

    TDataStream& Stream() const { return *stream_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) override;
    HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) override;
    HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(UINT64 newSize) override;
    HRESULT STDMETHODCALLTYPE GetSize(UINT64* size) override;

private:
    T7zStream(TDataStream* stream, std::unique_ptr<TDataStream> owned);
    ~T7zStream() = default;

    LONG refs_ = 0;
    std::unique_ptr<TDataStream> owned_;
    TDataStream* stream_;
};

// The reader's interface (the setup uses CreateArchiveReader, OpenArchiveFile,
// SetProgressHandler and ExtractAllToFolder). Every operation raises T7zError.
struct IArchiveReader : IUnknown {
    virtual void OpenArchiveFile(const std::wstring& path) = 0;
    virtual void OpenArchiveStream(IInStream* stream) = 0;
    virtual void CloseArchive() = 0;
    virtual UINT32 ItemCount() = 0;
    virtual std::wstring ItemPath(UINT32 index) = 0;
    // kpidName, or the last part of the path where the format has no names (7z).
    virtual std::wstring ItemName(UINT32 index) = 0;
    virtual UINT64 ItemSize(UINT32 index) = 0;
    virtual bool ItemIsFolder(UINT32 index) = 0;
    // The handler, created when needed; valid while the reader lives.
    virtual IInArchive* HandlerObject() = 0;
    virtual void ExtractItemToStream(UINT32 index, TDataStream& target, bool test) = 0;
    virtual void ExtractItemsToProvider(const UINT32* indices, UINT32 count, bool test, void* context,
                                        TItemStreamProvider provider) = 0;
    virtual void ExtractAllToProvider(bool test, void* context, TItemStreamProvider provider) = 0;
    // Unpacks every file below folder, each written beside its target and moved
    // into place only once the library has verified it. Nothing is written when
    // an item's path is refused (see ResolveItemPath); a damaged item, a failed
    // write or a stop requested by the progress handler raises an error that names
    // the item, and leaves no partly written file behind.
    virtual void ExtractAllToFolder(const std::wstring& folder) = 0;
    virtual void SetPasswordProvider(void* context, TPasswordProvider provider) = 0;
    virtual void SetPasswordText(const std::wstring& password) = 0;
    virtual void SetProgressHandler(void* context, TProgressHandler handler) = 0;
    virtual void SetFormatClassId(const GUID& classId) = 0;
    virtual GUID FormatClassId() = 0;

protected:
    ~IArchiveReader() = default;
};

// {54F8BD4E-B583-48BB-9B8F-E3D19EC28041}
inline constexpr GUID IID_IArchiveReader = {
    0x54f8bd4e, 0xb583, 0x48bb, {0x9b, 0x8f, 0xe3, 0xd1, 0x9e, 0xc2, 0x80, 0x41}};

// The loaded library and its object factory. The library is loaded only by a
// full path ("Error loading library %s" otherwise), with its own dependencies
// looked up beside it before the system folder, never beside the program.
class T7zPlugin {
public:
    explicit T7zPlugin(const std::wstring& libraryPath);
    virtual ~T7zPlugin() = default;
    T7zPlugin(const T7zPlugin&) = delete;
    T7zPlugin& operator=(const T7zPlugin&) = delete;

    HMODULE Library() const { return library_.get(); }
    const std::wstring& LibraryPath() const { return path_; }
    HRESULT CreateObject(const GUID& classId, const GUID& iid, void** object) const;

protected:
    ULONG AddReference();
    ULONG DropReference();

private:
    LONG refs_ = 0;
    std::wstring path_;
    unique_hmodule library_;
    TCreateObjectFunc createObject_ = nullptr;
};

// A library that handles archive formats, and the format to create.
class T7zArchive : public T7zPlugin {
public:
    explicit T7zArchive(const std::wstring& libraryPath);

    const GUID& ClassId() const { return classId_; }
    void SetClassId(const GUID& classId) { classId_ = classId; }

private:
    TGetHandlerPropertyFunc getHandlerProperty_ = nullptr;  // only proves a format library
    GUID classId_{};
};

// The reader over the library's handler: IArchiveReader and the library's callbacks.
class T7zInArchive final : public T7zArchive,
                           public IArchiveReader,
                           public IArchiveOpenCallback,
                           public IArchiveExtractCallback,
                           public ICryptoGetTextPassword,
                           public IArchiveOpenVolumeCallback,
                           public IArchiveOpenSetSubArchiveName {
public:
    explicit T7zInArchive(const std::wstring& libraryPath);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IArchiveReader
    void OpenArchiveFile(const std::wstring& path) override;
    void OpenArchiveStream(IInStream* stream) override;
    void CloseArchive() override;
    UINT32 ItemCount() override;
    std::wstring ItemPath(UINT32 index) override;
    std::wstring ItemName(UINT32 index) override;
    UINT64 ItemSize(UINT32 index) override;
    bool ItemIsFolder(UINT32 index) override;
    IInArchive* HandlerObject() override;
    void ExtractItemToStream(UINT32 index, TDataStream& target, bool test) override;
    void ExtractItemsToProvider(const UINT32* indices, UINT32 count, bool test, void* context,
                                TItemStreamProvider provider) override;
    void ExtractAllToProvider(bool test, void* context, TItemStreamProvider provider) override;
    void ExtractAllToFolder(const std::wstring& folder) override;
    void SetPasswordProvider(void* context, TPasswordProvider provider) override;
    void SetPasswordText(const std::wstring& password) override;
    void SetProgressHandler(void* context, TProgressHandler handler) override;
    void SetFormatClassId(const GUID& classId) override;
    GUID FormatClassId() override;

    // IArchiveOpenCallback
    HRESULT STDMETHODCALLTYPE SetTotal(const UINT64* files, const UINT64* bytes) override;
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* files, const UINT64* bytes) override;
    // IProgress
    HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) override;
    HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) override;
    // IArchiveExtractCallback
    HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream, INT32 askExtractMode) override;
    HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) override;
    HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 opRes) override;
    // ICryptoGetTextPassword
    HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) override;
    // IArchiveOpenVolumeCallback
    HRESULT STDMETHODCALLTYPE GetProperty(PROPID propID, PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE GetStream(const wchar_t* name, IInStream** inStream) override;
    // IArchiveOpenSetSubArchiveName
    HRESULT STDMETHODCALLTYPE SetSubArchiveName(const wchar_t* name) override;

private:
    class TItemFile;
    struct TFailure {
        HRESULT code;
        std::wstring message;
    };

    ~T7zInArchive();
    IInArchive& Handler();
    PROPVARIANT ItemProperty(UINT32 index, PROPID id);
    void Check(HRESULT result);
    void CheckAllItemPaths(const std::wstring& root);
    void Extract(const UINT32* indices, UINT32 count, bool test);
    void ExtractToProvider(const UINT32* indices, UINT32 count, bool test, void* context, TItemStreamProvider provider);
    HRESULT Fail(HRESULT code, const std::wstring& message);
    HRESULT FolderItemStream(UINT32 index, ISequentialOutStream** outStream);
    HRESULT FinishItem(INT32 opRes);
    void DropCurrentFile();
    std::wstring CurrentItemText();

    Microsoft::WRL::ComPtr<IInArchive> handler_;
    void* passwordContext_ = nullptr;
    TPasswordProvider passwordProvider_ = nullptr;
    void* progressContext_ = nullptr;
    TProgressHandler progressHandler_ = nullptr;
    TDataStream* targetStream_ = nullptr;
    bool passwordDefined_ = false;
    std::wstring password_;
    bool subArchiveMode_ = false;
    std::wstring subArchiveName_;
    void* providerContext_ = nullptr;
    TItemStreamProvider streamProvider_ = nullptr;
    std::wstring folder_;  // full path with a trailing "\"; empty except while extracting to a folder

    // The item the library is working on, the file it goes to, the first failure.
    std::optional<UINT32> currentItem_;
    Microsoft::WRL::ComPtr<T7zStream> currentStream_;
    TItemFile* currentFile_ = nullptr;
    std::optional<TFailure> failure_;
};

// A reader over the library at libraryPath (a full path) for the format classId.
Microsoft::WRL::ComPtr<IArchiveReader> CreateArchiveReader(const std::wstring& libraryPath,
                                                           const GUID& classId = CLSID_7zFormat);

}  // namespace qm
