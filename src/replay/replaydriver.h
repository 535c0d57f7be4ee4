// The replay driver: opens, one after the other and in tree order, every item of
// the record shown in the All tree, with a short pause between items and a limit
// of visits; each item is opened by the item launcher. The window it runs in is
// reached through IReplayHost, so the walk runs the same in tests.
#pragma once
#include <string>
#include <vector>

#include "base/progress.h"
#include "records/model.h"
#include "replay/launcher.h"

namespace qm {

// The visit that brings the counter to this ends a replay.
constexpr int kReplayVisitLimit = 1000;
constexpr int kReplayPauseMs = 10;

inline constexpr wchar_t kReplayWaitingText[] = L"Please Waiting for a while...";
inline constexpr wchar_t kReplayFinishText[] = L"Finish.";
inline constexpr wchar_t kReplayTooManyText[] = L"Launch toom many items will be slow down,Please manually launch.";

// The counts "&Replay All" takes before anything is opened.
struct TReplayCounts {
    int topLevel = 0;  // top-level nodes (at most 5000)
    int total = 0;     // top-level nodes and their direct children
};
TReplayCounts CountReplayItems(const TDocTree& all);

// What the walk needs of the main window besides its progress panel.
class IReplayHost {
public:
    virtual ~IReplayHost() = default;
    virtual bool HasRecords() = 0;
    // Selects the first record when none is selected (the trees stay as they are).
    virtual void EnsureRecordSelected() = 0;
    virtual void Wait(int milliseconds) = 0;
    // A plain message box with an OK button.
    virtual void ShowReplayMessage(const std::wstring& text) = 0;
    // Arms the finish timer that hides the progress panel later.
    virtual void StartFinishTimer() = 0;
};

// One item as replay opens it, with what its record keeps beyond its path: the
// group it belongs to (an application whose documents are opened) lends it
// its window placement when it has none of its own.
struct TReplayItem {
    std::wstring title;
    std::wstring path;
    int32_t docType = 0;
    TItemExtras extras;
    std::wstring groupPath;  // the group node's path; empty for a top-level item
    TItemExtras groupExtras;
};

// What a replay does around the launcher: skip an item that needs no opening,
// follow up on one that was opened, and finish what was gathered on the way.
class IReplayExtras {
public:
    virtual ~IReplayExtras() = default;
    // True when the item is taken care of without the launcher.
    virtual bool BeforeOpen(const TReplayItem& item) = 0;
    virtual void AfterOpen(const TReplayItem& item) = 0;
    // After the walk, however far it went.
    virtual void AfterWalk() = 0;
};

class TReplayDriver {
public:
    TReplayDriver(IItemOpener& opener, IReplayHost& host, IProgress& progress)
        : opener_(opener), host_(host), progress_(progress) {}

    // Replays the record in the All tree: all documents of a group or only the
    // first; warns when the visit limit ended the walk. An error while opening
    // ends the walk (after "Finish." and the finish timer) and is passed on.
    void ReplayRecord(const TDocTree& all, const TItemTable& items, bool allDocs, const TReplayCounts& counts);

    // Visits of the last replay.
    int Visits() const { return visits_; }
    // Without extras every item goes to the launcher and nothing else happens.
    void SetExtras(IReplayExtras* extras) { extras_ = extras; }

private:
    // The walk takes the order, texts and paths at its start: commands that run
    // while it pumps messages (loading another record, deleting items) change
    // the model, not the walk.
    struct TEntry {
        TReplayItem item;
        std::vector<TEntry> children;
    };
    static std::vector<TEntry> Snapshot(const TDocTree& all, const TItemTable& items);

    void ReplayWalk(const TDocTree& all, const TItemTable& items, bool allDocs, const TReplayCounts& counts);
    // Raises the visit counter; false when it has reached the limit.
    bool Visit();
    void OpenEntry(const TEntry& entry);

    IItemOpener& opener_;
    IReplayHost& host_;
    IProgress& progress_;
    IReplayExtras* extras_ = nullptr;
    int visits_ = 0;
    int position_ = 0;
    int maximum_ = 0;
};

}  // namespace qm
