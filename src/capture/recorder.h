// The record operation and the item-adding steps every way of putting a path
// into the open record uses: the location adder, the item adder and the node
// builder with their tests. The desktop comes in through the source seams of
// sources.h, the window through IRecordHost, images through IItemImages.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/progress.h"
#include "capture/entrytarget.h"
#include "capture/pathutil.h"
#include "capture/recentdocs.h"
#include "capture/sources.h"
#include "records/model.h"
#include "records/recordstore.h"
#include "records/settings.h"

namespace qm {

// Images and Start-menu names for captured paths.
class IItemImages {
public:
    virtual ~IItemImages() = default;
    // The item image list back to the base images (a new record).
    virtual void ResetToBaseImages() = 0;
    // The installed-program table, loaded once per program run.
    virtual void LoadInstalledPrograms() = 0;
    virtual std::wstring InstalledName(const std::wstring& path) = 0;
    // The icon of a path, registered in the item image list.
    virtual int IconOf(const std::wstring& path, const std::wstring& title) = 0;
};

// What the record operation needs of the main window besides its progress panel.
class IRecordHost {
public:
    virtual ~IRecordHost() = default;
    // While set, expanding a node does not rewrite the tree-state file.
    virtual void SetTreeRebuilding(bool on) = 0;
    // Shows the startup filter list (its rows are the recorder's) or hides it.
    virtual void ShowFilterList(bool show) = 0;
    virtual void SelectAllTab() = 0;
    // Saves the open record by the rule, lists the records again and selects it.
    virtual void SaveRecord(TSaveRule rule) = 0;
    // Selects the item with this path in the All tree.
    virtual void SelectItemByPath(const std::wstring& path) = 0;
};

// How a record operation runs.
struct TRecordRun {
    bool newRecord = true;    // a new record: trees and items cleared first
    bool smart = false;       // Smart Record is on: no progress panel, nothing cleared
    bool nameChosen = false;  // the record-type dialog fixed the target name
};

// The image of a text by its kind (folder, page, archive, picture, document).
int ImageRule(const std::wstring& text);

class TRecorder : public IEntryTarget {
public:
    TRecorder(TRecordModel& model, const TRecordOptions& options, IItemImages& images, std::wstring documentsFolder);
    ~TRecorder() override;

    // Sources of the record operation; the recent folder is the user's Recent
    // folder and the links folder receives copies of shortcuts to shortcuts.
    void SetSources(IRunningApplications* apps, IOpenLocations* locations, std::wstring recentFolder,
                    std::wstring linksFolder);
    void SetHost(IRecordHost* host, IProgress* progress) {
        host_ = host;
        progress_ = progress;
    }
    // The special-window recogniser in classify mode (tests replace it).
    std::function<int(std::wstring& title, std::wstring& path)> classify;

    // The record operation. Never throws; the window is usable afterwards.
    void Record(const TRecordRun& run);
    bool Running() const { return running_; }

    // Item adding.
    void AddLocation(const std::wstring& path, const std::wstring& title);
    void AddNewFileNameToDocTree(const std::wstring& path, const std::wstring& title);
    void BuildNode(const std::wstring& path, const std::wstring& title, bool fileItem);
    // Add-one: marks a recorded path as current, else adds it; true when added.
    bool AddOne(const std::wstring& path, const std::wstring& title);

    // The four tests.
    bool IsRecordedLocation(const std::wstring& path);
    bool IsApplicationRecorded(const std::wstring& path, const std::wstring& title);
    bool CheckIfRecentDocInTreeNode(const std::wstring& path) override;
    bool IsRecordedPath(const std::wstring& path, const std::wstring& title);

    void MarkAsCurrent(const std::wstring& path) override;
    const std::wstring& LastRecordedPath() const { return lastRecordedPath_; }
    // The Recent folder the record operation scans.
    const std::wstring& RecentFolder() const { return recentFolder_; }

    // IEntryTarget (the hand-off and the command line).
    void LoadInstalledPrograms() override { images_.LoadInstalledPrograms(); }
    void ClearLastRecordedPath() override { lastRecordedPath_.clear(); }
    void SetLastRecordedPath(const std::wstring& path) override { lastRecordedPath_ = path; }
    bool IsRecordedPath(const std::wstring& location) override { return IsRecordedPath(location, L""); }
    void AddLocation(const std::wstring& location) override { AddLocation(location, L""); }
    void BeginBatch() override;
    void EndBatch() override;

    // Working lists.
    TRecentDocuments& Recent() { return recent_; }
    const std::vector<TAppPair>& RunningApplications() const { return apps_; }
    const std::vector<TLocationPair>& OpenLocations() const { return locations_; }
    std::vector<TFilterRow>& FilterRows() { return filterRows_; }

    // Called around a batch of adds (a drop, a hand-off) so that the lookups
    // built for it serve the whole batch.
    using TBatch = TEntryBatch;

private:
    class TIndex;
    struct TRecentByProgram;

    void RunPhases(const TRecordRun& run, bool& somethingNew);
    void Phase(const wchar_t* text);
    void Advance();
    void Pump();
    void RecordOpenLocations(bool& somethingNew);
    void RecordRunningApplications(bool& somethingNew);
    void RecordRecentDocuments(bool& somethingNew);
    void Finish(const TRecordRun& run);

    void AddDocumentOfProgram(const std::wstring& path, const std::wstring& program);
    void AttachRecentDocuments(TTreeNode* allNode, TTreeNode* appNode, const std::wstring& path,
                               const std::wstring& title);
    std::vector<std::wstring> RecentDocumentsOf(const std::wstring& appKey);
    void AttachUnderRecordedProgram(const std::wstring& document, const std::wstring& program);
    TTreeNode* AddTreeNode(TDocTree& tree, TTreeNode* parent, const std::wstring& text, int item, int image);
    void SetItemPath(int item, const std::wstring& path);
    int AppendItem(TMyDoc doc);
    std::wstring Resolve(const std::wstring& path);
    std::wstring ProgramOf(const std::wstring& path);
    void NoteRecent(const std::wstring& path);
    TIndex& Index();
    void EndScope();

    TRecordModel& model_;
    const TRecordOptions& options_;
    IItemImages& images_;
    std::wstring documentsFolder_;
    IRunningApplications* appSource_ = nullptr;
    IOpenLocations* locationSource_ = nullptr;
    std::wstring recentFolder_, linksFolder_;
    IRecordHost* host_ = nullptr;
    IProgress* progress_ = nullptr;

    TRecentDocuments recent_;
    std::vector<TAppPair> apps_;
    std::vector<TLocationPair> locations_;
    std::vector<TFilterRow> filterRows_;
    std::wstring lastRecordedPath_;
    int gauge_ = 0, gaugeMax_ = 0;
    bool running_ = false;
    int scopeDepth_ = 0;
    // Lookups over the model, kept from one outermost call to the next and
    // taken up while the model stays as the last one left it: hand-offs and
    // Smart Record runs follow one another over a record nothing else changed,
    // and rebuilding from the whole record each time would cost more than the adds.
    std::unique_ptr<TIndex> index_;
    std::unique_ptr<TRecentByProgram> recentByProgram_;  // kept while the recent list only grows
    std::optional<TExistenceCache> existence_;
    std::unordered_map<std::wstring, std::wstring> resolved_, programs_;
};

}  // namespace qm
