// Sending record items out of the program: shortcuts on the desktop, copies in
// the Documents folder or on a removable disk, clipboard files pasted into a
// folder item, and a whole record exported as a folder of shortcuts with its
// folder icon. Nothing the user has is overwritten: a shortcut or folder name
// that is taken gets " (2)", " (3)", ... Copies go through the shell, which
// asks about conflicts itself. Outside effects besides Effects() go through
// TSendToSeams.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "records/model.h"
#include "replay/launcher.h"

namespace qm {

inline constexpr wchar_t kDesktopIniName[] = L"Desktop.ini";

struct TSendToSeams {
    // The shell copies a file or folder to destination (the full target
    // path), showing its own progress and questions; false when it did not.
    std::function<bool(HWND owner, const std::wstring& source, const std::wstring& destination)> copy;
    // A shell folder's path (CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL).
    std::function<std::wstring(int csidl)> folderPath;
    // The roots ("E:\") of the removable drives, B to Z.
    std::function<std::vector<std::wstring>()> removableRoots;
    // Shows the desktop ("Shell.Application" ToggleDesktop).
    std::function<void()> toggleDesktop;
    // Writes one shortcut (CreateShortcut).
    std::function<HRESULT(const std::wstring& target, const std::wstring& name, const std::wstring& folder)> shortcut;

    static TSendToSeams Real();
};

// A text made into a name a file or folder can have: "/", "\", ":", "*", "?",
// double quote, "<", ">", "|" and control characters become "_"; trailing
// dots and blanks go; a device name (CON, NUL, COM1, ...) gets a leading "_";
// an empty result is "_"; a long text is cut so a counter still fits.
std::wstring SafeFileName(const std::wstring& text);

// What a shortcut starts.
struct TShortcutSpec {
    std::wstring target;
    std::wstring arguments;      // none when empty
    std::wstring workingFolder;  // the target's folder part when empty
    std::wstring description;    // none when empty
};

// Writes a shortcut in folder, named SafeFileName(name) + ".lnk" or, when that
// is taken, "name (2).lnk" and so on. S_OK and the file written, or the failure.
HRESULT CreateShortcut(const TShortcutSpec& spec, const std::wstring& name, const std::wstring& folder,
                       std::wstring* written = nullptr);
// A shortcut to target alone, working in the target's folder part.
HRESULT CreateShortcut(const std::wstring& target, const std::wstring& name, const std::wstring& folder,
                       std::wstring* written = nullptr);

// What a command could not do, one line per failure.
struct TSendReport {
    std::vector<std::wstring> failures;
    bool Ok() const { return failures.empty(); }
    void Add(const std::wstring& what, const std::wstring& reason);
    void Add(const std::wstring& what, HRESULT hr);
};
// One message with the heading and every failure (nothing when there is none).
void ShowSendReport(HWND owner, const std::wstring& heading, const TSendReport& report);

// The "Send To" export of a record, as the send-to dialog confirmed it.
struct TExportRequest {
    std::wstring targetFolder;     // where the export folder is made
    std::wstring name;             // the export folder's name
    bool openAfter = true;         // "Open file location after Confirm"
    bool targetIsDesktop = false;  // the target folder is the desktop
};

struct TExportResult {
    std::wstring folder;  // the export folder made (empty when none could be)
    TSendReport report;
};

class TSendTo {
public:
    TSendTo(TSendToSeams seams, std::wstring helpFile) : seams_(std::move(seams)), helpFile_(std::move(helpFile)) {}

    TSendToSeams& Seams() { return seams_; }

    // "Desktop (create shortcut)": a shortcut on the desktop for each item that
    // is not a shell place; then, when asked, the desktop is shown.
    TSendReport SendToDesktop(const std::vector<TLaunchItem>& items, bool showDesktop);
    // "Documents" and "Removable Disk": each item's file or folder copied into
    // the folder under its own name; then, when asked, the folder is opened.
    TSendReport SendToFolder(const std::vector<TLaunchItem>& items, const std::wstring& folder, bool openAfter,
                             HWND owner);
    // "Paste": each file copied into every item that is a folder; then, when
    // asked, the last of those folders is opened.
    TSendReport PasteIntoFolders(const std::vector<TLaunchItem>& items, const std::vector<std::wstring>& files,
                                 bool openAfter, HWND owner);
    // "Send To": the record (its All tree) as a new folder of shortcuts: a
    // program with its documents becomes a subfolder of their shortcuts, every
    // other item a shortcut; "hh.exe" stands for the program's help file.
    TExportResult ExportRecord(const TDocTree& all, const TItemTable& items, const TExportRequest& request, HWND owner);

    // The removable drive "Removable Disk" sends to: the last one, or empty.
    std::wstring RemovableRoot() const;

private:
    std::wstring ShortcutTarget(const std::wstring& path) const;
    void AddShortcut(const std::wstring& target, const std::wstring& name, const std::wstring& folder,
                     TSendReport& report);

    TSendToSeams seams_;
    std::wstring helpFile_;
};

}  // namespace qm
