// The program's byte streams, as the 7-Zip stream adapter wraps them: a stream
// with a position and a size over a file or over memory. Every operation says
// whether it failed; a short count is never passed off as success.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "base/unique_any.h"

namespace qm {

class TDataStream {
public:
    virtual ~TDataStream() = default;
    // Reads up to size bytes (fewer only at the end). False on a failure.
    virtual bool Read(void* buffer, UINT32 size, UINT32& done) = 0;
    // Writes all the bytes or fails; done says how many went out before a failure.
    virtual bool Write(const void* buffer, UINT32 size, UINT32& done) = 0;
    // origin: FILE_BEGIN, FILE_CURRENT or FILE_END.
    virtual bool Seek(INT64 offset, DWORD origin, UINT64& position) = 0;
    virtual bool Size(UINT64& size) = 0;
    virtual bool SetSize(UINT64 size) = 0;
};

// A file opened for reading (shared for reading and writing by others) or
// created for writing (replacing a file of that name). Null when it cannot be
// opened; GetLastError says why.
class TFileStream final : public TDataStream {
public:
    static std::unique_ptr<TFileStream> OpenRead(const std::wstring& path);
    static std::unique_ptr<TFileStream> Create(const std::wstring& path);

    bool Read(void* buffer, UINT32 size, UINT32& done) override;
    bool Write(const void* buffer, UINT32 size, UINT32& done) override;
    bool Seek(INT64 offset, DWORD origin, UINT64& position) override;
    bool Size(UINT64& size) override;
    bool SetSize(UINT64 size) override;

private:
    explicit TFileStream(unique_hfile file) : file_(std::move(file)) {}
    unique_hfile file_;
};

// Bytes in memory; writes past the end grow it.
class TMemoryStream final : public TDataStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& Bytes() const { return bytes_; }

    bool Read(void* buffer, UINT32 size, UINT32& done) override;
    bool Write(const void* buffer, UINT32 size, UINT32& done) override;
    bool Seek(INT64 offset, DWORD origin, UINT64& position) override;
    bool Size(UINT64& size) override;
    bool SetSize(UINT64 size) override;

private:
    std::string bytes_;
    size_t position_ = 0;
};

}  // namespace qm
