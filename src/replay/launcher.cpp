#include "replay/launcher.h"

#include <shlobj.h>

#include "base/effects.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/unique_any.h"
#include "capture/links.h"
#include "capture/pathutil.h"
#include "capture/specialwindow.h"
#include "replay/runasadmin.h"
#include "replay/shellplaces.h"

#include "base/guarded.h"

namespace qm {

namespace {

// The Simplified Chinese display names of three shell places.
constexpr wchar_t kDesktopName[] = L"\u684C\u9762";                   // Desktop
constexpr wchar_t kNetworkName[] = L"\u7F51\u4E0A\u90BB\u5C45";       // Network Neighborhood
constexpr wchar_t kControlPanelName[] = L"\u63A7\u5236\u9762\u677F";  // Control Panel
constexpr char kControlPanelCommand[] = "rundll32.exe   shell32.dll,Control_RunDLL";
constexpr wchar_t kLibrariesFolder[] = L"%AppData%\\Microsoft\\Windows\\Libraries";

// A text value of a registry key opened for reading: nothing when the key does
// not open, empty when the value is missing or not text.
std::optional<std::wstring> ReadRegistryText(HKEY root, const wchar_t* subKey, const wchar_t* valueName) {
    unique_hkey key;
    if (::RegOpenKeyExW(root, subKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || size > 64 * 1024)
        return std::wstring();
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) !=
        ERROR_SUCCESS)
        return std::wstring();
    text.resize(got / sizeof(wchar_t));
    size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
}

wchar_t UserDecimalSeparator() {
    wchar_t sep[8] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) > 1 ? sep[0] : L'.';
}

// The program path of a shell command: the text between its first two quotes.
std::wstring QuotedProgram(const std::wstring& command) {
    size_t first = command.find(L'"');
    if (first == std::wstring::npos) return {};
    size_t second = command.find(L'"', first + 1);
    return command.substr(first + 1, second == std::wstring::npos ? std::wstring::npos : second - first - 1);
}

}  // namespace

TLauncherSeams TLauncherSeams::Real() {
    TLauncherSeams s;
    s.recognise = [](std::wstring& title, std::wstring& path, bool launch) {
        return RecogniseSpecialWindow(title, path, launch);
    };
    s.winExec = [](const std::string& command, UINT show) { return Effects().winExec(command, show); };
    s.message = [](HWND owner, const std::wstring& text) { Effects().messageBox(owner, text, L"QuilMar", MB_OK); };
    s.minimizeAll = [] { CallShellApplication(L"MinimizeAll"); };
    s.openSpecialFolder = [](int csidl) { OpenSpecialFolder(csidl); };
    s.wow64 = [] { return IsWow64(); };
    s.httpCommand = [] { return ReadRegistryText(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", nullptr); };
    s.ieVersion = [] {
        return ReadRegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer\\Version Vector", L"IE");
    };
    s.runAs = [](HWND owner, const std::wstring& file, const std::wstring& parameters) {
        return TRunAsAdmin().RunAs(owner, file, parameters);
    };
    s.associationLookup = [](const std::wstring& path) { return AssociationLookup(path); };
    return s;
}

bool IsOldBrowserVersion(const std::wstring& text, wchar_t decimalSeparator) {
    std::wstring t = Trim(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == L'+' || t[i] == L'-')) ++i;
    bool negative = !t.empty() && t[0] == L'-';
    double value = 0, scale = 1;
    bool digits = false, fraction = false;
    for (; i < t.size(); ++i) {
        wchar_t c = t[i];
        if (c >= L'0' && c <= L'9') {
            digits = true;
            if (fraction) {
                scale /= 10;
                value += (c - L'0') * scale;
            } else {
                value = value * 10 + (c - L'0');
            }
        } else if (c == decimalSeparator && !fraction) {
            fraction = true;
        } else {
            return false;  // not a number: not counted as an old browser
        }
    }
    if (!digits) return false;
    return (negative ? -value : value) < 7;
}

std::wstring LocationFolderOf(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\:");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring PathFileName(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\:");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

TItemLauncher::TItemLauncher(TLauncherContext context, TLauncherSeams seams)
    : context_(std::move(context)), seams_(std::move(seams)) {}

bool TItemLauncher::IsVersion(const wchar_t* name) const { return context_.windowsVersion == name; }

std::wstring TItemLauncher::ItemPath(const TItemTable& items, int index) {
    std::wstring path;
    if (!Guarded(L"item path", [&] {
            if (items.IsValid(index)) path = TMyDoc(items.At(index)).path;
        }))
        path.clear();
    if (context_.showHint) context_.showHint(path);
    return path;
}

std::vector<TLaunchItem> TItemLauncher::SelectedItems(const TDocTree* tree, const TItemTable& items) {
    std::vector<TLaunchItem> out;
    if (!tree) return out;
    for (TTreeNode* node : tree->SelectedNodes())
        out.push_back({ItemPath(items, node->Index()), node->Text(), node->HasChildren()});
    return out;
}

std::optional<TLaunchItem> TItemLauncher::CurrentItem(const TDocTree* tree, const TItemTable& items) {
    if (!tree) return std::nullopt;
    TTreeNode* node = tree->Focused();
    if (!node || !node->Selected()) {
        std::vector<TTreeNode*> selected = tree->SelectedNodes();
        node = selected.empty() ? nullptr : selected.back();
    }
    if (!node) return std::nullopt;
    return TLaunchItem{ItemPath(items, node->Index()), node->Text(), node->HasChildren()};
}

int TItemLauncher::RecogniseAndLaunch(std::wstring& title, std::wstring& path) {
    return seams_.recognise ? seams_.recognise(title, path, true) : 0;
}

void TItemLauncher::OpenItemPath(const std::wstring& original, bool asGroup) {
    std::wstring path = ReplaceAll(original, L"%20", L" ");
    if (StartsWith(ToLower(Trim(path)), L"libraries")) {
        OpenLibrary(path);
    } else if (IsPhotoViewer(path)) {
        StartPhotoViewer();
    } else if (ToLower(ExtensionOf(path)) == L".lnk") {
        OpenShortcut(path);
    } else if (FolderExists(path)) {
        Effects().shellExecute(context_.owner, L"explore", NormaliseFolderPath(path), L"", SW_SHOWNORMAL);
    } else if (ToLower(Trim(PathFileName(path))) == L"hh.exe") {
        if (context_.showHelp) context_.showHelp();
    } else if (FileExists(path)) {
        Launch(path, L"", ReportErrors(), context_.owner);
    } else if (!StartsWith(path, L"\\\\") && !StartsWith(path, L"//") && path.size() >= 2 && path[1] == L':') {
        if (ReportErrors()) ShowCannotFind(path);  // a local path that is gone
    } else if (asGroup) {
        OpenWebAddress(L"http://" + GroupKeyOf(path, context_.documentsFolder));
    } else {
        OpenWebAddress(path);
    }
}

void TItemLauncher::OpenLibrary(const std::wstring& path) {
    std::wstring parameters =
        ExpandFirstEnvironmentVariable(kLibrariesFolder) + (path.size() > 9 ? path.substr(9) : L"");
    Effects().shellExecute(context_.owner, L"Open", L"Explorer", parameters, SW_SHOWNORMAL);
}

void TItemLauncher::StartPhotoViewer() {
    Launch(L"rundll32.exe", ExpandFirstEnvironmentVariable(kPhotoViewerEntry), ReportErrors(), context_.owner);
}

void TItemLauncher::OpenShortcut(const std::wstring& path) {
    if (seams_.wow64 && seams_.wow64() && !IsVersion(L"windows xp")) {
        HandLinkToOpener(path);
        return;
    }
    TRedirectionGuard redirection;
    if (IsVersion(L"windows 7") || IsVersion(L"windows vista"))
        RunExplorerHidden(path);
    else
        Launch(path, L"", ReportErrors(), context_.owner);
}

void TItemLauncher::ShowCannotFind(const std::wstring& path) {
    if (seams_.message) seams_.message(context_.owner, L"Windows cannot find '" + path + L"'.");
}

void TItemLauncher::OpenItems(const std::vector<TLaunchItem>& items) {
    for (const TLaunchItem& item : items) {
        std::wstring title = item.title, path = item.path;
        if (RecogniseAndLaunch(title, path) != 1) OpenItemPath(path, item.hasChildren);
    }
}

void TItemLauncher::OpenItem(const std::wstring& original, const std::wstring& originalTitle) {
    if (original.empty()) return;
    std::wstring title = originalTitle, path = original;
    // 2: the recogniser has started the picture viewer or the applet itself and
    // left a name, not a location, in the path.
    if (RecogniseAndLaunch(title, path) != 0) return;
    if (title == kDesktopName) {
        if (seams_.minimizeAll) seams_.minimizeAll();
        return;
    }
    if (title == kNetworkName) {
        if (seams_.openSpecialFolder) seams_.openSpecialFolder(CSIDL_NETWORK);
        return;
    }
    if (title == kControlPanelName) {
        if (seams_.winExec) seams_.winExec(kControlPanelCommand, SW_RESTORE);
        return;
    }
    std::wstring lower = ToLower(path);
    if (lower.find(L"http://") != std::wstring::npos || lower.find(L"https://") != std::wstring::npos) {
        OpenLocation(path, context_.owner);
        return;
    }
    if (lower.find(L"res://") != std::wstring::npos) return;
    if (IsPhotoViewer(path)) {
        // A picture-viewer window recorded by name opens the viewer, as replay does.
        StartPhotoViewer();
        return;
    }
    std::wstring ext = ExtensionOf(path);
    if (!ext.empty() || path.find(L':') == std::wstring::npos) {
        if (ext == L".lnk")
            StartAsProgram(path);
        else
            OpenLocation(path, context_.owner);
        return;
    }
    if (FolderExists(path)) OpenLocation(NormaliseFolderPath(path), context_.owner);
}

void TItemLauncher::HandLinkToOpener(const std::wstring& path) {
    CreateFolderTree(context_.userDataFolder);
    // Without the file the opener would open whatever link it was handed last.
    if (!WriteListFile(JoinPath(context_.userDataFolder, kLinkHandoffFileName), {path}, TDurability::NoFlush)) return;
    // The link on the command line too: two links handed over in quick
    // succession each open, whatever the file says by then.
    Effects().shellExecute(nullptr, L"open", context_.programFolder + kLinkOpenerFile, QuoteArgument(path),
                           SW_SHOWNORMAL);
}

void TItemLauncher::RunExplorerHidden(const std::wstring& path) {
    // explorer.exe itself, with the path quoted: there is no "command" on 64-bit
    // Windows, and an unquoted path with blanks names something else.
    OpenThroughExplorer(path, SW_HIDE);
}

void TItemLauncher::StartAsProgram(const std::wstring& path) {
    // No verb: the file's default action.
    Guarded(L"start as program", [&] { Effects().shellExecute(context_.owner, L"", path, L"", SW_SHOWNORMAL); });
}

bool TItemLauncher::OpenWebAddress(const std::wstring& address) {
    bool oldBrowser = false;
    std::wstring browser;
    std::optional<std::wstring> command = seams_.httpCommand ? seams_.httpCommand() : std::nullopt;
    if (command && !command->empty()) {
        browser = QuotedProgram(*command);
        if (ToUpper(browser).find(L"IEXPLORE") != std::wstring::npos && seams_.ieVersion) {
            std::optional<std::wstring> version = seams_.ieVersion();
            oldBrowser = version && IsOldBrowserVersion(*version, UserDecimalSeparator());
        }
    }
    if (oldBrowser)
        Effects().shellExecute(context_.owner, L"open", browser, address, SW_SHOW);
    else
        Effects().shellExecute(context_.owner, L"open", address, L"", SW_SHOW);
    return oldBrowser;
}

void TItemLauncher::RunItemsAsAdmin(const std::vector<TLaunchItem>& items) {
    for (const TLaunchItem& item : items) {
        std::wstring title = item.title, path = item.path;
        if (RecogniseAndLaunch(title, path) != 1 && seams_.runAs) seams_.runAs(context_.owner, path, L"");
    }
}

void TItemLauncher::OpenItemsAsAdmin(const std::vector<TLaunchItem>& items) {
    for (const TLaunchItem& item : items) {
        std::wstring program =
            NormaliseLocation(seams_.associationLookup ? seams_.associationLookup(item.path) : std::wstring());
        if (IsPhotoViewer(program)) {
            if (seams_.runAs)
                seams_.runAs(context_.owner, L"rundll32.exe",
                             ExpandFirstEnvironmentVariable(kPhotoViewerEntry) + L" " + item.path);
        } else if (!program.empty()) {
            if (seams_.runAs) seams_.runAs(context_.owner, program, item.path);
        } else {
            Launch(context_.programFolder + kAdminLauncherFile, item.path, ReportErrors(), context_.owner);
        }
    }
}

void TItemLauncher::OpenWithAdmin(const TLaunchItem& item) {
    Launch(context_.programFolder + kAdminLauncherFile, item.path, ReportErrors(), context_.owner);
}

void TItemLauncher::OpenWith(const TLaunchItem& item) {
    if (ToLower(Trim(ExtensionOf(item.path))) == L".exe") return;
    Effects().shellExecute(context_.owner, L"open", L"rundll32.exe", L"shell32.dll,OpenAs_RunDLL " + item.path,
                           SW_SHOWNORMAL);
}

void TItemLauncher::OpenItemLocations(const std::vector<TLaunchItem>& items) {
    for (const TLaunchItem& item : items) {
        std::wstring target = FolderExists(item.path) ? item.path : LocationFolderOf(item.path);
        if (!target.empty()) OpenLocation(target, context_.owner);
    }
}

}  // namespace qm
