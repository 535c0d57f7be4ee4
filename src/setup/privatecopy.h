// A file the setup program carries (the 7-Zip library) written into a new folder
// of its own under the temporary folder, so that it is loaded by full path from a
// place nobody else wrote to, and neither read from nor written into the system
// folder. The file and its folder are removed when the copy goes, which must be
// after everything loaded from it has been released.
#pragma once
#include <memory>
#include <string>
#include <string_view>

namespace qm {

class TPrivateCopy {
public:
    // Null when the folder or the file cannot be written; GetLastError says why.
    static std::unique_ptr<TPrivateCopy> Write(const std::wstring& fileName, std::string_view bytes);
    ~TPrivateCopy() { Remove(); }
    TPrivateCopy(const TPrivateCopy&) = delete;
    TPrivateCopy& operator=(const TPrivateCopy&) = delete;

    const std::wstring& Path() const { return path_; }
    const std::wstring& Folder() const { return folder_; }
    // Deletes the file and the folder; true when both are gone.
    bool Remove();

private:
    TPrivateCopy(std::wstring folder, std::wstring path) : folder_(std::move(folder)), path_(std::move(path)) {}
    std::wstring folder_, path_;
};

}  // namespace qm
