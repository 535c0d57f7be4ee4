#include "setup/datastream.h"

#include <algorithm>
#include <cstring>

#include "base/files.h"

namespace qm {

namespace {

std::unique_ptr<TFileStream> NullWithError(DWORD error) {
    ::SetLastError(error);
    return nullptr;
}

}  // namespace

std::unique_ptr<TFileStream> TFileStream::OpenRead(const std::wstring& path) {
    unique_hfile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return NullWithError(::GetLastError());
    return std::unique_ptr<TFileStream>(new TFileStream(std::move(file)));
}

std::unique_ptr<TFileStream> TFileStream::Create(const std::wstring& path) {
    unique_hfile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return NullWithError(::GetLastError());
    return std::unique_ptr<TFileStream>(new TFileStream(std::move(file)));
}

bool TFileStream::Read(void* buffer, UINT32 size, UINT32& done) {
    done = 0;
    DWORD n = 0;
    if (!::ReadFile(file_.get(), buffer, size, &n, nullptr)) return false;
    done = n;
    return true;
}

bool TFileStream::Write(const void* buffer, UINT32 size, UINT32& done) {
    done = 0;
    const char* at = static_cast<const char*>(buffer);
    while (done < size) {
        DWORD n = 0;
        if (!::WriteFile(file_.get(), at + done, size - done, &n, nullptr)) return false;
        if (n == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += n;
    }
    return true;
}

bool TFileStream::Seek(INT64 offset, DWORD origin, UINT64& position) {
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(file_.get(), distance, &result, origin)) return false;
    position = static_cast<UINT64>(result.QuadPart);
    return true;
}

bool TFileStream::Size(UINT64& size) {
    LARGE_INTEGER result;
    if (!::GetFileSizeEx(file_.get(), &result)) return false;
    size = static_cast<UINT64>(result.QuadPart);
    return true;
}

bool TFileStream::SetSize(UINT64 size) {
    UINT64 keep = 0, ignored = 0;
    if (!Seek(0, FILE_CURRENT, keep) || !Seek(static_cast<INT64>(size), FILE_BEGIN, ignored)) return false;
    bool ok = ::SetEndOfFile(file_.get()) != FALSE;
    DWORD error = ::GetLastError();
    Seek(static_cast<INT64>(keep), FILE_BEGIN, ignored);
    ::SetLastError(error);
    return ok;
}

bool TMemoryStream::Read(void* buffer, UINT32 size, UINT32& done) {
    size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    done = static_cast<UINT32>(std::min<size_t>(size, available));
    if (done) std::memcpy(buffer, bytes_.data() + position_, done);
    position_ += done;
    return true;
}

bool TMemoryStream::Write(const void* buffer, UINT32 size, UINT32& done) {
    if (position_ + size > bytes_.size()) bytes_.resize(position_ + size);
    if (size) std::memcpy(bytes_.data() + position_, buffer, size);
    position_ += size;
    done = size;
    return true;
}

bool TMemoryStream::Seek(INT64 offset, DWORD origin, UINT64& position) {
    INT64 base = origin == FILE_BEGIN     ? 0
                 : origin == FILE_CURRENT ? static_cast<INT64>(position_)
                 : origin == FILE_END     ? static_cast<INT64>(bytes_.size())
                                          : -1;
    if (base < 0 || base + offset < 0) {
        ::SetLastError(base < 0 ? ERROR_INVALID_PARAMETER : ERROR_NEGATIVE_SEEK);
        return false;
    }
    position_ = static_cast<size_t>(base + offset);
    position = position_;
    return true;
}

bool TMemoryStream::Size(UINT64& size) {
    size = bytes_.size();
    return true;
}

bool TMemoryStream::SetSize(UINT64 size) {
    bytes_.resize(static_cast<size_t>(size));
    return true;
}

}  // namespace qm
