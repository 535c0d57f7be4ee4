// The item launcher: opens one record item, or the items selected in a document
// tree, the way the desktop had them: a program is started, a document opened
// with its program, a folder shown in Explorer, a web page in the browser, a
// shell place opened as that place. It only starts things; it never waits for
// them. The shell goes through Effects() (base/effects.h); every other outside
// effect through TLauncherSeams, so tests record instead of starting.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/productfiles.h"
#include "records/model.h"

namespace qm {

inline constexpr wchar_t kAdminLauncherFile[] = L"quilmaradmin.exe";
inline constexpr wchar_t kPhotoViewerEntry[] = L"%SystemRoot%\\system32\\shimgvw.dll,ImageView_Fullscreen";

// What the launcher knows of the program and the system.
struct TLauncherContext {
    HWND owner = nullptr;                               // the main window
    bool startedAtWindowsStart = false;                 // no error messages while set
    std::wstring windowsVersion;                        // "windows xp", "windows vista", "windows 7", ...
    std::wstring documentsFolder;                       // the grouping rule's documents folder
    std::wstring userDataFolder;                        // holds the link hand-off file
    std::wstring programFolder;                         // the running program's folder, with a trailing "\"
    std::function<void()> showHelp;                     // the program's own help
    std::function<void(const std::wstring&)> showHint;  // the progress panel's hint line
};

// The outside effects besides ShellExecuteW.
struct TLauncherSeams {
    // The special-window recogniser (1 handled, 2 title and path rewritten).
    std::function<int(std::wstring& title, std::wstring& path, bool launch)> recognise;
    std::function<UINT(const std::string& command, UINT show)> winExec;
    // A plain message box with an OK button.
    std::function<void(HWND owner, const std::wstring& text)> message;
    // "Shell.Application" MinimizeAll.
    std::function<void()> minimizeAll;
    std::function<void(int csidl)> openSpecialFolder;
    // The program runs under WOW64 (a 32-bit program on 64-bit Windows).
    std::function<bool()> wow64;
    // The two registry values the web-address opener reads: nothing when the
    // key does not open, an empty text when the value is missing.
    std::function<std::optional<std::wstring>()> httpCommand;  // HKCR\http\shell\open\command
    std::function<std::optional<std::wstring>()> ieVersion;    // HKLM ...\Internet Explorer\Version Vector "IE"
    // Starts a file elevated; true when it started.
    std::function<bool(HWND owner, const std::wstring& file, const std::wstring& parameters)> runAs;
    // The program that opens a document.
    std::function<std::wstring(const std::wstring& path)> associationLookup;

    static TLauncherSeams Real();
};

// One node of a document tree as the commands take it.
struct TLaunchItem {
    std::wstring path;
    std::wstring title;
    bool hasChildren = false;
};

// What replay asks of the launcher for each item.
class IItemOpener {
public:
    virtual ~IItemOpener() = default;
    // The special-window recogniser in launch mode; title and path may be rewritten.
    virtual int RecogniseAndLaunch(std::wstring& title, std::wstring& path) = 0;
    virtual void OpenItemPath(const std::wstring& path, bool asGroup) = 0;
};

// The browser version text counts as an old browser (below 7) in the user's
// number format; a missing or non-numeric text does not.
bool IsOldBrowserVersion(const std::wstring& text, wchar_t decimalSeparator);
// The folder part of a path: up to and including its last "\" or ":".
std::wstring LocationFolderOf(const std::wstring& path);
// The file name of a path: the text after its last "\" or ":".
std::wstring PathFileName(const std::wstring& path);

class TItemLauncher : public IItemOpener {
public:
    TItemLauncher(TLauncherContext context, TLauncherSeams seams);

    TLauncherContext& Context() { return context_; }
    TLauncherSeams& Seams() { return seams_; }

    // Item path from index: the item's path, also shown in the hint line; empty
    // when the index selects no item.
    std::wstring ItemPath(const TItemTable& items, int index);
    // The selected nodes of a tree in the order they were selected (none without a tree).
    std::vector<TLaunchItem> SelectedItems(const TDocTree* tree, const TItemTable& items);
    // The tree's selected node (the focused one when it is selected), if any.
    std::optional<TLaunchItem> CurrentItem(const TDocTree* tree, const TItemTable& items);

    // Opens one item by its kind; asGroup opens a group node's web site.
    void OpenItemPath(const std::wstring& path, bool asGroup) override;
    int RecogniseAndLaunch(std::wstring& title, std::wstring& path) override;
    // "&Open" and a double click: every item, unless the recogniser handled it.
    void OpenItems(const std::vector<TLaunchItem>& items);
    // Enter or Space on an item.
    void OpenItem(const std::wstring& path, const std::wstring& title);

    void HandLinkToOpener(const std::wstring& path);
    void RunExplorerHidden(const std::wstring& path);
    void StartAsProgram(const std::wstring& path);
    // Opens a web address in the default browser; true when the old-browser way was taken.
    bool OpenWebAddress(const std::wstring& address);

    // The tree menu's elevation commands.
    void RunItemsAsAdmin(const std::vector<TLaunchItem>& items);   // "Run as admin"
    void OpenItemsAsAdmin(const std::vector<TLaunchItem>& items);  // "Open as admin"
    void OpenWithAdmin(const TLaunchItem& item);                   // "Open with (admin)"
    void OpenWith(const TLaunchItem& item);                        // "Open &with..."
    // "Open file location" (and the startup list's "Open container Folder"):
    // an existing folder itself, otherwise the folder the path is in.
    void OpenItemLocations(const std::vector<TLaunchItem>& items);

private:
    bool ReportErrors() const { return !context_.startedAtWindowsStart; }
    void OpenLibrary(const std::wstring& path);
    void OpenShortcut(const std::wstring& path);
    void StartPhotoViewer();
    void ShowCannotFind(const std::wstring& path);
    bool IsVersion(const wchar_t* name) const;

    TLauncherContext context_;
    TLauncherSeams seams_;
};

}  // namespace qm
