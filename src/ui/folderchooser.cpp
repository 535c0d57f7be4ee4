#include "ui/folderchooser.h"

#include <shlobj.h>

#include "base/guarded.h"
#include "base/com.h"
#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"

namespace qm {
namespace {

// BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE
constexpr UINT kBrowseFlags = 0x51;

// Selects the start folder as soon as the browser has filled its tree. The
// wide message keeps folder names that the ANSI code page cannot spell.
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

std::wstring StartFolder(const std::wstring& initialFolder) {
    std::wstring folder = Trim(initialFolder);
    if (!folder.empty() && IsExistingFolder(folder)) return folder;
    return SpecialFolder(CSIDL_PROGRAM_FILES);
}

}  // namespace

std::wstring ChooseFolder(HWND owner, const std::wstring& caption, const std::wstring& initialFolder) {
    try {
        TComApartment apartment;
        std::wstring start = StartFolder(initialFolder);
        wchar_t displayName[MAX_PATH] = {};
        BROWSEINFOW bi{};
        bi.hwndOwner = owner;
        bi.pszDisplayName = displayName;
        bi.lpszTitle = caption.c_str();
        bi.ulFlags = kBrowseFlags;
        bi.lpfn = &BrowseCallback;
        bi.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
        unique_pidl chosen(::SHBrowseForFolderW(&bi));
        if (!chosen) return {};
        wchar_t path[MAX_PATH] = {};
        if (!::SHGetPathFromIDListW(chosen.get(), path)) return {};
        return path;
    } catch (const std::exception& e) {
        ReportFault(L"choose folder", e.what());
        return {};
    }
}

}  // namespace qm
