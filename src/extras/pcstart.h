// TfrmRun: the startup programs manager ("Startup"). Two tabs list what
// Windows starts at log-on for the current user and for all users: the values
// of the Run key and the files of the Startup folder, with their icons. The
// user starts entries, opens their folders, adds a Run value and removes
// entries; each row remembers where it came from, so a removal takes exactly
// that value or that file (the file goes to the Recycle Bin) and nothing else.
// Refused writes are reported. Registry and file effects go through the seams.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "capture/windowsstart.h"
#include "ui/dialog.h"
#include "ui/reportlist.h"
#include "ui/tabpages.h"

namespace qm {

inline constexpr wchar_t kStartupCaption[] = L"Startup";
inline constexpr wchar_t kStartupHint[] = L"Hint: Please run QuilMar as Admin before update windows startup";
inline constexpr wchar_t kAskRemove[] = L"Are you sure you want to remove selected item?";
inline constexpr wchar_t kNothingToRemove[] = L"No item selected for deletion!!!";
inline constexpr wchar_t kEnterName[] = L"Please enter a start the name";
inline constexpr wchar_t kEnterPath[] = L"Please enter a start path";

// The writes and the outside effects of the manager.
struct TStartupManagerSeams {
    std::function<bool(TStartScope scope, const std::wstring& name)> hasRunValue;
    std::function<LSTATUS(TStartScope scope, const std::wstring& name, const std::wstring& data)> setRunValue;
    std::function<LSTATUS(TStartScope scope, const std::wstring& name)> deleteRunValue;
    // Moves a file to the Recycle Bin; ERROR_SUCCESS or why it did not.
    std::function<DWORD(const std::wstring& file)> recycle;
    // The file-open dialog; empty when cancelled.
    std::function<std::wstring(HWND owner, const std::wstring& initialPath)> chooseFile;
};

// Moves a file to the Recycle Bin without asking and without progress.
DWORD RecycleFile(const std::wstring& file);

// One row of a tab: the entry it stands for and what the list shows.
struct TStartRow {
    TStartEntry entry;
    std::wstring caption;     // "Name": the value name, or the launch path's file name
    std::wstring location;    // "Location": the value's data, or the file's full path
    std::wstring launchPath;  // the program (or shortcut target) the row starts
    TStartCommand command;    // what Start runs: program and arguments
};

// The row of an entry: a Run command starts its program with its arguments, a
// Startup-folder file starts as the file itself (a shortcut brings its own
// arguments) and is named after its target.
TStartRow MakeStartRow(const TStartEntry& entry);

// The tab to open on; after Show, the tab shown last.
struct TfrmRunValues {
    int tab = 0;
};

class TfrmRun : public TDialog {
public:
    static constexpr int kIdTabs = 100;
    static constexpr int kIdNameLabel = 101;
    static constexpr int kIdTxtStartName = 102;
    static constexpr int kIdPathLabel = 103;
    static constexpr int kIdTxtStartPath = 104;
    static constexpr int kIdBtnSelectPath = 105;
    static constexpr int kIdBtnSSPCRun = 106;
    static constexpr int kIdBtnSSAddPCStart = 107;
    static constexpr int kIdBtnSSDeletePCStart = 108;
    static constexpr int kIdPanelHint = 109;
    static constexpr int kIdCheckBox1 = 110;
    static constexpr int kIdLvCurrentUser = 200;
    static constexpr int kIdLVLocalMachine = 201;
    // The lists' pop-up menu.
    static constexpr int kIdMnOpenFolder = 300;
    static constexpr int kIdMnOpen = 301;
    static constexpr int kIdMnRemove = 302;

    enum TTab : int { kTabCurrentUser = 0, kTabAllUsers = 1, kTabCount = 2 };

    struct THooks {
        // "Run QuilMar as admin" was ticked: restart elevated so that the new
        // copy reopens this window; the window then closes.
        std::function<void()> relaunchElevated;
        bool startedElevated = false;
    };

    explicit TfrmRun(THooks hooks, TStartPlaces places = {});

    // Where the entries are read and written (tests point it elsewhere).
    void SetPlaces(TStartPlaces places);
    TStartupManagerSeams& Seams() { return seams_; }

    // Shows the window modally on the tab values.tab, refreshed; true when it
    // was closed by the user (Close, Escape), false when it closed for the
    // elevated restart.
    bool Show(HWND owner, TfrmRunValues& values);

    // While the window is shown: its controls, the list of a tab and its rows.
    HWND Control(int id) const { return Item(id); }
    TReportList& List(int tab) { return lists_[static_cast<size_t>(tab)]; }
    const std::vector<TStartRow>& Rows(int tab) const { return rows_[static_cast<size_t>(tab)]; }
    int ShownTab() const { return shownTab_; }
    void SelectTab(int tab) { pages_.Select(tab); }
    // The actions, as the buttons, keys and menu run them.
    void Refresh(int tab);
    void StartSelected();
    void OpenSelectedFolders();
    void RemoveSelected();
    void AddFromFields();

private:
    void OnInit() override;
    bool OnOk() override;
    void OnCommand(int id, int code) override;
    void OnEnd(bool confirmed) override;
    bool OnNotify(const NMHDR& hdr) override;

    static TStartScope ScopeOf(int tab) { return tab == kTabCurrentUser ? TStartScope::User : TStartScope::Machine; }
    std::vector<const TStartRow*> SelectedRows();
    void ShowRowInFields(int row);
    void NameFollowsLocation(const std::wstring& location);
    void ShowMenu(POINT screen);
    void SelectFile();
    void Error(const std::wstring& text);

    THooks hooks_;
    TWindowsStartMan startMan_;
    TStartupManagerSeams seams_;
    TTabPages pages_;
    std::array<TReportList, kTabCount> lists_;
    std::array<std::vector<TStartRow>, kTabCount> rows_;
    HIMAGELIST icons_ = nullptr;  // the system's small icons, shared
    std::wstring autoName_;       // the name the fields took from a row or a location
    int startTab_ = 0, shownTab_ = 0;
    bool elevating_ = false;
};

}  // namespace qm
