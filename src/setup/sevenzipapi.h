// The 7-Zip library's COM-style interface as the setup program uses it: the two
// exported entry points, the stream, progress, callback and handler interfaces
// with their identifiers, the item property identifiers and the result codes of
// an extraction. The methods of each interface are listed in the library's vtable
// order; every method uses the standard COM calling convention.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <propidl.h>

namespace qm {

// The library's interface identifiers are {23170F69-40C1-278A-0000-00gg00mm0000}
// with a group (3 streams, 0 progress, 5 passwords, 6 archives) and a member number.
constexpr GUID SevenZipIid(unsigned char group, unsigned char member) {
    return GUID{0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, member, 0, 0}};
}

inline constexpr GUID IID_ISequentialInStream = SevenZipIid(3, 0x01);
inline constexpr GUID IID_ISequentialOutStream = SevenZipIid(3, 0x02);
inline constexpr GUID IID_IInStream = SevenZipIid(3, 0x03);
inline constexpr GUID IID_IOutStream = SevenZipIid(3, 0x04);
inline constexpr GUID IID_IStreamGetSize = SevenZipIid(3, 0x06);
inline constexpr GUID IID_IProgress = SevenZipIid(0, 0x05);
inline constexpr GUID IID_ICryptoGetTextPassword = SevenZipIid(5, 0x10);
inline constexpr GUID IID_IArchiveOpenCallback = SevenZipIid(6, 0x10);
inline constexpr GUID IID_IArchiveExtractCallback = SevenZipIid(6, 0x20);
inline constexpr GUID IID_IArchiveOpenVolumeCallback = SevenZipIid(6, 0x30);
inline constexpr GUID IID_IArchiveOpenSetSubArchiveName = SevenZipIid(6, 0x50);
inline constexpr GUID IID_IInArchive = SevenZipIid(6, 0x60);

// The class identifier of the 7z format handler.
inline constexpr GUID CLSID_7zFormat = {0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

// Item properties (GetProperty).
enum : PROPID {
    kpidPath = 3,   // VT_BSTR, folders separated by "\"
    kpidName = 4,   // VT_BSTR
    kpidIsDir = 6,  // VT_BOOL
    kpidSize = 7,   // VT_UI8
};

// Ask modes of IArchiveExtractCallback::GetStream and PrepareOperation.
enum : INT32 { k7zAskExtract = 0, k7zAskTest = 1, k7zAskSkip = 2 };

// Results of IArchiveExtractCallback::SetOperationResult.
enum : INT32 {
    k7zResultOk = 0,
    k7zResultUnsupportedMethod = 1,
    k7zResultDataError = 2,
    k7zResultCrcError = 3,
    k7zResultUnavailable = 4,
    k7zResultUnexpectedEnd = 5,
    k7zResultDataAfterEnd = 6,
    k7zResultIsNotArc = 7,
    k7zResultHeadersError = 8,
    k7zResultWrongPassword = 9,
};

struct ISequentialInStream : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct ISequentialOutStream : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Write(const void* data, UINT32 size, UINT32* processedSize) = 0;
};

// Seek origins are those of SetFilePointer: 0 start, 1 current, 2 end.
struct IInStream : ISequentialInStream {
    virtual HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) = 0;
};

struct IOutStream : ISequentialOutStream {
    virtual HRESULT STDMETHODCALLTYPE Seek(INT64 offset, UINT32 seekOrigin, UINT64* newPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSize(UINT64 newSize) = 0;
};

struct IStreamGetSize : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSize(UINT64* size) = 0;
};

struct IProgress : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetTotal(UINT64 total) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* completeValue) = 0;
};

struct IArchiveOpenCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetTotal(const UINT64* files, const UINT64* bytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCompleted(const UINT64* files, const UINT64* bytes) = 0;
};

struct IArchiveExtractCallback : IProgress {
    virtual HRESULT STDMETHODCALLTYPE GetStream(UINT32 index, ISequentialOutStream** outStream,
                                                INT32 askExtractMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrepareOperation(INT32 askExtractMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOperationResult(INT32 opRes) = 0;
};

struct IArchiveOpenVolumeCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetProperty(PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStream(const wchar_t* name, IInStream** inStream) = 0;
};

struct IArchiveOpenSetSubArchiveName : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetSubArchiveName(const wchar_t* name) = 0;
};

struct ICryptoGetTextPassword : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CryptoGetTextPassword(BSTR* password) = 0;
};

struct IInArchive : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Open(IInStream* stream, const UINT64* maxCheckStartPosition,
                                           IArchiveOpenCallback* openCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfItems(UINT32* numItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProperty(UINT32 index, PROPID propID, PROPVARIANT* value) = 0;
    // indices sorted ascending, or null with numItems 0xFFFFFFFF for all items.
    virtual HRESULT STDMETHODCALLTYPE Extract(const UINT32* indices, UINT32 numItems, INT32 testMode,
                                              IArchiveExtractCallback* extractCallback) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArchiveProperty(PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfProperties(UINT32* numProps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyInfo(UINT32 index, BSTR* name, PROPID* propID, VARTYPE* varType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNumberOfArchiveProperties(UINT32* numProps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArchivePropertyInfo(UINT32 index, BSTR* name, PROPID* propID,
                                                             VARTYPE* varType) = 0;
};

// The library's exports.
using TCreateObjectFunc = HRESULT(WINAPI*)(const GUID* classId, const GUID* iid, void** outObject);
using TGetHandlerPropertyFunc = HRESULT(WINAPI*)(PROPID propID, PROPVARIANT* value);

}  // namespace qm
