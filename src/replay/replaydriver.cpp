#include "replay/replaydriver.h"

#include "base/scope_exit.h"
#include "base/strings.h"

namespace qm {

TReplayCounts CountReplayItems(const TDocTree& all) {
    TReplayCounts counts;
    for (const auto& node : all.TopNodes()) {
        if (counts.topLevel >= kWalkLimit) break;
        ++counts.topLevel;
        counts.total += 1 + node->ChildCount();
    }
    return counts;
}

std::vector<TReplayDriver::TEntry> TReplayDriver::Snapshot(const TDocTree& all, const TItemTable& items) {
    auto entryOf = [&items](const TTreeNode& node, const TReplayItem* group) {
        TEntry e;
        e.item.title = node.Text();
        if (items.IsValid(node.Index())) {
            const TMyDoc& doc = items.At(node.Index());
            e.item.path = doc.path;
            e.item.docType = doc.docType;
            e.item.extras = doc.extras;
        }
        if (group) {
            e.item.groupPath = group->path;
            e.item.groupExtras = group->extras;
        }
        return e;
    };
    std::vector<TEntry> entries;
    entries.reserve(all.TopNodes().size());
    for (const auto& top : all.TopNodes()) {
        TEntry e = entryOf(*top, nullptr);
        for (const auto& child : top->Children()) e.children.push_back(entryOf(*child, &e.item));
        entries.push_back(std::move(e));
    }
    return entries;
}

void TReplayDriver::ReplayRecord(const TDocTree& all, const TItemTable& items, bool allDocs,
                                 const TReplayCounts& counts) {
    visits_ = 0;
    ReplayWalk(all, items, allDocs, counts);
    if (extras_) extras_->AfterWalk();
    if (visits_ >= kReplayVisitLimit) host_.ShowReplayMessage(kReplayTooManyText);
}

bool TReplayDriver::Visit() { return ++visits_ < kReplayVisitLimit; }

void TReplayDriver::ReplayWalk(const TDocTree& all, const TItemTable& items, bool allDocs,
                               const TReplayCounts& counts) {
    progress_.ClearStopRequest();
    progress_.SetCaption(kReplayWaitingText);
    // However the walk ends, the hint says so and the finish timer runs.
    scope_exit finish([this] {
        progress_.SetCaption(kReplayFinishText);
        host_.StartFinishTimer();
    });

    if (!host_.HasRecords()) return;
    host_.EnsureRecordSelected();
    maximum_ = allDocs ? counts.total : counts.topLevel;
    progress_.ShowProgress(true);
    progress_.SetGauge(0, maximum_);
    position_ = 0;
    std::vector<TEntry> entries = Snapshot(all, items);
    visits_ = 0;
    for (const TEntry& node : entries) {
        if (!Visit()) return;
        if (!node.children.empty()) {
            progress_.Pump();
            for (size_t i = 0; i < node.children.size(); ++i) {
                if (!Visit()) return;
                host_.Wait(kReplayPauseMs);
                progress_.Pump();
                if (!allDocs && i > 0) break;
                OpenEntry(node.children[i]);
                if (allDocs) progress_.SetGauge(++position_, maximum_);
            }
        } else {
            host_.Wait(kReplayPauseMs);
            progress_.Pump();
            OpenEntry(node);
        }
        progress_.SetGauge(++position_, maximum_);
    }
}

void TReplayDriver::OpenEntry(const TEntry& entry) {
    std::wstring path = entry.item.path, title = entry.item.title;
    progress_.SetCaption(path);
    // The program never starts itself.
    if (ToLower(Trim(PathFileName(path))) == L"quilmar.exe") return;
    if (extras_ && extras_->BeforeOpen(entry.item)) return;
    if (opener_.RecogniseAndLaunch(title, path) == 1) return;
    opener_.OpenItemPath(path, false);
    if (extras_) extras_->AfterOpen(entry.item);
}

}  // namespace qm
