// The record store: the record folder, new record names, the listing in date
// order, and the operations on records (select, save, delete, rename). The list
// box and the window's panels are reached through two small seams, so the store
// works the same with the real window and in tests.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/progress.h"
#include "records/model.h"
#include "records/settings.h"

namespace qm {

inline constexpr wchar_t kRecordExt[] = L".quilmar";
inline constexpr wchar_t kImageFileExt[] = L".dat";
inline constexpr wchar_t kExpansionFileExt[] = L".quilmartreesel";

// The record list (the list box on the left of the main window).
class IRecordList {
public:
    virtual ~IRecordList() = default;
    virtual void Clear() = 0;
    virtual void Add(const std::wstring& name) = 0;
    virtual int Count() const = 0;
    virtual std::wstring Text(int index) const = 0;
    virtual int Cursor() const = 0;                 // -1 when none
    virtual void SelectOnly(int index) = 0;         // cursor there, the only selected entry
    virtual std::vector<int> Selected() const = 0;  // in list order
};

// What the store needs of the main window besides the progress panel.
class IStoreHost {
public:
    virtual ~IStoreHost() = default;
    virtual void SetStatusTexts(const std::wstring& panel0, const std::wstring& panel1) = 0;
    virtual void ShowSearchEntry() = 0;
    virtual void HoldTreeRepaints(bool hold) = 0;
    // Shows the trees as the model holds them (after a load or a clear).
    virtual void TreesChanged() = 0;
    // A question with the information icon, OK and Cancel; true for OK.
    virtual bool Confirm(const std::wstring& text) = 0;
    // The settings dialog, shown when the record folder cannot be created; true when confirmed.
    virtual bool RunSettingsDialog() = 0;
    // The rename dialog with the current name; the entered text, or nothing when cancelled.
    virtual std::optional<std::wstring> AskNewName(const std::wstring& current) = 0;
};

enum class TSaveRule { Keep, New, Selected };

// Key by which record files list: year, month number, day and counter taken by
// position from the name (the last 8 characters dropped).
std::wstring RecordDateKey(const std::wstring& fileName);

// A record name as the user typed it (with or without the ".quilmar"
// extension, surrounding blanks ignored) names a file of the record folder and
// nothing else: no folder part, no "..", no device name, no character a file
// name cannot hold.
bool IsValidRecordName(const std::wstring& text);

// "mmm dd,yyyy" with English month abbreviations.
std::wstring RecordDateText(const SYSTEMTIME& day);

class TRecordStore {
public:
    // settingsStore may be null (then the selected index is not stored).
    TRecordStore(TRecordModel& model, TSettings& settings, TSettingsStore* settingsStore, IRecordList& list,
                 IStoreHost& host, IProgress& progress, std::wstring appPath, std::wstring defaultFolder);

    // The record folder in use: the settings' path, trimmed; a drive path gets one
    // trailing "\" with doubled backslashes collapsed.
    std::wstring RecordFolder() const;

    // The record file of an entry of the record list.
    std::wstring EntryPath(const std::wstring& entry) const;
    // The record file of a name the user chose, in the record folder; empty
    // when the name is not a valid record name.
    std::wstring RecordPathFor(const std::wstring& name) const;
    // The list entry of the record a file name names (with or without
    // ".quilmar", compared without regard to case) when that record is listed
    // and its file is in the record folder; -1 for anything else, and at once
    // for a name that is not a plain record name.
    int ListedIndexOf(const std::wstring& recordFile) const;
    // A full path for a new record, or empty when the folder cannot be created.
    std::wstring NewRecordName(const SYSTEMTIME& today) const;
    std::wstring NewRecordName() const;

    // The record files of the folder, sorted by their date key (stable).
    std::vector<std::wstring> RecordFileNames() const;
    // Fills the list; puts the cursor on the current record. False when empty.
    bool ListRecords();
    // Loads the record under the list cursor into the model.
    void SelectRecord();
    // Writes the three files for path and lists again. False when a file cannot
    // be written (the files already there are left as they were).
    bool SaveRecordTo(const std::wstring& path);
    bool SaveOpenRecord(TSaveRule rule);
    void SaveSelectedRecord();
    void DeleteSelectedRecords();
    void RenameSelectedRecord();

    // The All tree's node was expanded or collapsed by the user.
    void NodeExpansionChanged(TTreeNode* node, bool expanded);
    // Any node of the All tree may have been expanded or collapsed (Full Expand,
    // Full Collapse): the expansion file is written once for all of them.
    void TreeExpansionChanged();

    const std::wstring& CurrentRecordPath() const { return currentRecordPath_; }
    void SetCurrentRecordPath(const std::wstring& path) { currentRecordPath_ = path; }
    bool TreeRebuilding() const { return treeRebuild_; }
    // While the trees show search results, nothing is saved: they belong to no record.
    void SetSearching(bool on) { searching_ = on; }
    bool Searching() const { return searching_; }
    void SetTreeRebuilding(bool on) { treeRebuild_ = on; }

    static std::wstring SideFile(const std::wstring& recordPath, const wchar_t* ext);

private:
    bool EnsureTargetFolder();
    TPumpFn ThrottledPump();

    TRecordModel& model_;
    TSettings& settings_;
    TSettingsStore* settingsStore_;
    IRecordList& list_;
    IStoreHost& host_;
    IProgress& progress_;
    std::wstring appPath_;
    std::wstring defaultFolder_;
    std::wstring currentRecordPath_;
    bool treeRebuild_ = false;
    bool searching_ = false;
};

}  // namespace qm
