#include "setup/privatecopy.h"

#include <windows.h>
#include <objbase.h>

#include "base/files.h"
#include "base/strings.h"

namespace qm {

namespace {

// A folder that did not exist before this call, under a name nobody can guess.
std::wstring NewPrivateFolder() {
    std::wstring temp = TempFolder();
    if (temp.empty()) return {};
    for (int attempt = 0; attempt < 8; ++attempt) {
        GUID id{};
        if (FAILED(::CoCreateGuid(&id))) return {};
        std::wstring folder = JoinPath(temp, Format(L"qm-%08lX%04X%04X%02X%02X%02X%02X", id.Data1, id.Data2, id.Data3,
                                                    id.Data4[0], id.Data4[1], id.Data4[6], id.Data4[7]));
        if (::CreateDirectoryW(LongPathForm(folder).c_str(), nullptr)) return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

}  // namespace

std::unique_ptr<TPrivateCopy> TPrivateCopy::Write(const std::wstring& fileName, std::string_view bytes) {
    if (fileName.empty() || fileName.find_first_of(L"\\/:") != std::wstring::npos) {
        ::SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    std::wstring folder = NewPrivateFolder();
    if (folder.empty()) return nullptr;
    std::unique_ptr<TPrivateCopy> copy(new TPrivateCopy(folder, JoinPath(folder, fileName)));
    if (!WriteFileReplacing(copy->path_, bytes, TDurability::NoFlush)) {
        DWORD error = ::GetLastError();
        copy.reset();
        ::SetLastError(error);
        return nullptr;
    }
    return copy;
}

bool TPrivateCopy::Remove() {
    ::DeleteFileW(LongPathForm(path_).c_str());
    ::RemoveDirectoryW(LongPathForm(folder_).c_str());
    return !PathExists(path_) && !PathExists(folder_);
}

}  // namespace qm
