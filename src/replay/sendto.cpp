#include "replay/sendto.h"

#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "base/com.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/system.h"
#include "capture/openlocations.h"
#include "capture/pathutil.h"
#include "capture/specialwindow.h"
#include "replay/shellplaces.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

constexpr wchar_t kCaption[] = L"QuilMar";
constexpr wchar_t kShortcutExt[] = L".lnk";
// A name is cut here, so " (9999).lnk" still fits in a file name.
constexpr size_t kMaxNameLength = 200;
constexpr int kMaxCounter = 9999;
constexpr size_t kMaxReportLines = 12;

bool IsShellPlace(const TLaunchItem& item) {
    std::wstring title = item.title, path = item.path;
    return RecogniseSpecialWindow(title, path, false) == 1;
}

std::wstring NumberedName(const std::wstring& base, int n, const std::wstring& ext) {
    return n < 2 ? base + ext : base + L" (" + std::to_wstring(n) + L")" + ext;
}

// Claims the first free name of base (+ " (n)") + ext in folder by creating it,
// an empty file or a folder, so nothing that is there already is replaced and
// no other writer takes the name in between. Empty (and error set) on failure.
std::wstring ClaimFreeName(const std::wstring& folder, const std::wstring& base, const std::wstring& ext, bool asFolder,
                           DWORD& error) {
    for (int n = 1; n <= kMaxCounter; ++n) {
        std::wstring path = JoinPath(folder, NumberedName(base, n, ext));
        std::wstring longPath = LongPathForm(path);
        bool created = false;
        if (asFolder) {
            created = ::CreateDirectoryW(longPath.c_str(), nullptr) != FALSE;
        } else {
            unique_hfile file(
                ::CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            created = static_cast<bool>(file);
        }
        if (created) return path;
        error = ::GetLastError();
        if (!PathExists(path)) return {};
    }
    error = ERROR_FILE_EXISTS;
    return {};
}

std::wstring WindowsFolder() {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"Windir", buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return buf;
    UINT m = ::GetWindowsDirectoryW(buf, MAX_PATH);
    return m > 0 && m < MAX_PATH ? std::wstring(buf, m) : std::wstring(L"C:\\Windows");
}

// The export folder's icon: "Desktop.ini" (hidden and system), the folder read-only.
void WriteFolderIcon(const std::wstring& folder, TSendReport& report) {
    std::wstring ini = JoinPath(folder, kDesktopIniName);
    std::vector<std::wstring> lines = {L"[.ShellClassInfo]",
                                       L"IconFile = " + WindowsFolder() + L"\\system32\\SHELL32.DLL", L"IconIndex = 38",
                                       L"InfoTip = This is folder with icon"};
    if (!WriteListFile(ini, lines, TDurability::NoFlush)) {
        report.Add(ini, HRESULT_FROM_WIN32(::GetLastError()));
        return;
    }
    if (!::SetFileAttributesW(LongPathForm(ini).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        report.Add(ini, HRESULT_FROM_WIN32(::GetLastError()));
    if (!::SetFileAttributesW(LongPathForm(folder).c_str(), FILE_ATTRIBUTE_READONLY))
        report.Add(folder, HRESULT_FROM_WIN32(::GetLastError()));
}

// The name a copy gets: the file or folder name of the source.
std::wstring CopyName(const std::wstring& source) { return FileNameOf(StripTrailingBackslash(Trim(source))); }

bool ShellCopy(HWND owner, const std::wstring& source, const std::wstring& destination) {
    // Both lists end in a double NUL.
    std::wstring from = source + L'\0', to = destination + L'\0';
    SHFILEOPSTRUCTW op{};
    op.hwnd = owner;
    op.wFunc = FO_COPY;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_CONFIRMMOUSE;
    return ::SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

}  // namespace

TSendToSeams TSendToSeams::Real() {
    TSendToSeams s;
    s.copy = &ShellCopy;
    s.folderPath = [](int csidl) { return SpecialFolder(csidl); };
    s.removableRoots = [] { return RemovableDriveRoots(); };
    s.toggleDesktop = [] { CallShellApplication(L"ToggleDesktop"); };
    s.shortcut = [](const std::wstring& target, const std::wstring& name, const std::wstring& folder) {
        return CreateShortcut(target, name, folder);
    };
    return s;
}

std::wstring SafeFileName(const std::wstring& text) {
    std::wstring s = text;
    for (wchar_t& c : s)
        if (c < 32 || std::wstring_view(L"/\\:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    if (s.size() > kMaxNameLength) {
        s.resize(kMaxNameLength);
        if (IS_HIGH_SURROGATE(s.back())) s.pop_back();
    }
    while (!s.empty() && (s.back() == L'.' || s.back() == L' ')) s.pop_back();
    if (s.empty()) return L"_";
    if (!IsValidFileName(s)) s = L"_" + s;  // a device name
    return s;
}

HRESULT CreateShortcut(const TShortcutSpec& spec, const std::wstring& name, const std::wstring& folder,
                       std::wstring* written) {
    TComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    std::wstring workingFolder = spec.workingFolder.empty() ? LocationFolderOf(spec.target) : spec.workingFolder;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
    if (SUCCEEDED(hr)) hr = link->SetPath(spec.target.c_str());
    if (SUCCEEDED(hr)) hr = link->SetWorkingDirectory(workingFolder.c_str());
    if (SUCCEEDED(hr) && !spec.arguments.empty()) hr = link->SetArguments(spec.arguments.c_str());
    if (SUCCEEDED(hr) && !spec.description.empty()) hr = link->SetDescription(spec.description.c_str());
    if (SUCCEEDED(hr)) hr = link.As(&file);
    if (FAILED(hr)) return hr;
    DWORD error = 0;
    std::wstring path = ClaimFreeName(folder, SafeFileName(name), kShortcutExt, false, error);
    if (path.empty()) return HRESULT_FROM_WIN32(error);
    hr = file->Save(path.c_str(), FALSE);
    if (FAILED(hr)) {
        ::DeleteFileW(LongPathForm(path).c_str());
        return hr;
    }
    if (written) *written = path;
    return S_OK;
}

HRESULT CreateShortcut(const std::wstring& target, const std::wstring& name, const std::wstring& folder,
                       std::wstring* written) {
    TShortcutSpec spec;
    spec.target = target;
    return CreateShortcut(spec, name, folder, written);
}

void TSendReport::Add(const std::wstring& what, const std::wstring& reason) {
    failures.push_back(reason.empty() ? what : what + L": " + reason);
}

void TSendReport::Add(const std::wstring& what, HRESULT hr) {
    std::wstring reason =
        SystemErrorText(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<unsigned long>(hr));
    Add(what, reason.empty() ? Format(L"error 0x%08lX", static_cast<unsigned long>(hr)) : reason);
}

void ShowSendReport(HWND owner, const std::wstring& heading, const TSendReport& report) {
    if (report.Ok()) return;
    std::wstring text = heading;
    for (size_t i = 0; i < report.failures.size() && i < kMaxReportLines; ++i) text += L"\n" + report.failures[i];
    if (report.failures.size() > kMaxReportLines)
        text += Format(L"\n... and %d more", static_cast<int>(report.failures.size() - kMaxReportLines));
    Effects().messageBox(owner, text, kCaption, MB_OK | MB_ICONWARNING);
}

std::wstring TSendTo::RemovableRoot() const {
    std::vector<std::wstring> roots = seams_.removableRoots ? seams_.removableRoots() : std::vector<std::wstring>();
    return roots.empty() ? std::wstring() : roots.back();
}

std::wstring TSendTo::ShortcutTarget(const std::wstring& path) const {
    return ToLower(Trim(PathFileName(path))) == L"hh.exe" ? helpFile_ : path;
}

void TSendTo::AddShortcut(const std::wstring& target, const std::wstring& name, const std::wstring& folder,
                          TSendReport& report) {
    HRESULT hr = seams_.shortcut ? seams_.shortcut(target, name, folder) : E_NOTIMPL;
    if (FAILED(hr)) report.Add(JoinPath(folder, SafeFileName(name) + kShortcutExt), hr);
}

TSendReport TSendTo::SendToDesktop(const std::vector<TLaunchItem>& items, bool showDesktop) {
    TSendReport report;
    std::wstring desktop = seams_.folderPath ? seams_.folderPath(CSIDL_DESKTOP) : std::wstring();
    if (desktop.empty()) {
        report.Add(L"Desktop", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        return report;
    }
    for (const TLaunchItem& item : items)
        if (!IsShellPlace(item)) AddShortcut(item.path, item.title, desktop, report);
    if (showDesktop && seams_.toggleDesktop) seams_.toggleDesktop();
    return report;
}

TSendReport TSendTo::SendToFolder(const std::vector<TLaunchItem>& items, const std::wstring& folder, bool openAfter,
                                  HWND owner) {
    TSendReport report;
    if (Trim(folder).empty()) {
        report.Add(L"Documents", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        return report;
    }
    for (const TLaunchItem& item : items) {
        if (IsShellPlace(item)) continue;
        // Web pages and vanished files have nothing to copy.
        std::wstring name = CopyName(item.path);
        if (name.empty() || !PathExists(item.path)) {
            report.Add(item.title, L"not a file or folder");
            continue;
        }
        if (seams_.copy) seams_.copy(owner, item.path, JoinPath(folder, name));
    }
    if (openAfter) OpenLocation(folder, owner);
    return report;
}

TSendReport TSendTo::PasteIntoFolders(const std::vector<TLaunchItem>& items, const std::vector<std::wstring>& files,
                                      bool openAfter, HWND owner) {
    TSendReport report;
    if (files.empty()) return report;
    std::wstring last;
    for (const TLaunchItem& item : items) {
        if (IsShellPlace(item) || !IsExistingFolder(item.path)) continue;
        for (const std::wstring& file : files) {
            std::wstring name = CopyName(file);
            if (name.empty()) continue;
            if (seams_.copy) seams_.copy(owner, file, JoinPath(item.path, name));
        }
        last = item.path;
    }
    if (openAfter && !last.empty()) OpenLocation(last, owner);
    return report;
}

TExportResult TSendTo::ExportRecord(const TDocTree& all, const TItemTable& items, const TExportRequest& request,
                                    HWND owner) {
    TExportResult result;
    std::wstring target = StripTrailingBackslash(Trim(request.targetFolder));
    if (!CreateFolderTree(target)) {
        result.report.Add(target, HRESULT_FROM_WIN32(::GetLastError()));
        return result;
    }
    // Always a folder of its own: the chosen folder's own files, icon and
    // attributes stay as they were.
    DWORD error = 0;
    result.folder = ClaimFreeName(target, SafeFileName(Trim(request.name)), L"", true, error);
    if (result.folder.empty()) {
        result.report.Add(JoinPath(target, SafeFileName(Trim(request.name))), HRESULT_FROM_WIN32(error));
        return result;
    }
    WriteFolderIcon(result.folder, result.report);
    auto pathOf = [&](const TTreeNode* n) { return items.IsValid(n->Index()) ? items.At(n->Index()).path : L""; };
    int visited = 0;
    for (const auto& node : all.TopNodes()) {
        if (++visited > kWalkLimit) break;
        std::wstring path = pathOf(node.get());
        if (!node->HasChildren() || IsExistingFolder(path)) {
            AddShortcut(ShortcutTarget(path), node->Text(), result.folder, result.report);
            continue;
        }
        // A program with its documents: a subfolder of the documents'
        // shortcuts (two programs of one name share it).
        std::wstring group = JoinPath(result.folder, SafeFileName(node->Text()));
        if (!IsExistingFolder(group))
            group = ClaimFreeName(result.folder, SafeFileName(node->Text()), L"", true, error);
        if (group.empty()) {
            result.report.Add(JoinPath(result.folder, SafeFileName(node->Text())), HRESULT_FROM_WIN32(error));
            continue;
        }
        int children = 0;
        for (const auto& child : node->Children()) {
            if (++children > kWalkLimit) break;
            AddShortcut(ShortcutTarget(pathOf(child.get())), child->Text(), group, result.report);
        }
    }
    if (request.openAfter) {
        if (request.targetIsDesktop) {
            if (seams_.toggleDesktop) seams_.toggleDesktop();
        } else {
            Explore(target, owner);
        }
    }
    return result;
}

}  // namespace qm
