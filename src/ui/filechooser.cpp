#include "ui/filechooser.h"

#include <commdlg.h>

#include <vector>

#include "base/files.h"
#include "base/strings.h"

namespace qm {

std::wstring ChooseFile(HWND owner, const std::wstring& initialPath) {
    // Room for a long path; the dialog says when a choice does not fit.
    std::vector<wchar_t> file(32768, L'\0');
    std::wstring folder = FolderOf(Trim(initialPath));
    if (!IsExistingFolder(folder)) folder.clear();
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"All files (*.*)\0*.*\0";
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!::GetOpenFileNameW(&ofn)) return {};
    return file.data();
}

}  // namespace qm
