#include "app/treemenu.h"

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/pathutil.h"

namespace qm {

namespace {

std::wstring FolderKey(const std::wstring& folder) { return StripTrailingBackslash(ToLower(Trim(folder))); }

}  // namespace

std::vector<TRecentEntry> RecentEntriesOf(const std::wstring& folder, const TRecordModel& model) {
    std::vector<TRecentEntry> entries;
    const std::wstring wanted = FolderKey(NormaliseFolderPath(folder));
    auto consider = [&](const TTreeNode& node) {
        if (!model.items.IsValid(node.Index())) return;
        std::wstring target = ResolveLink(model.items.At(node.Index()).path);
        if (Trim(target).empty() || FolderExists(target)) return;  // a folder is no recent document
        if (FolderKey(NormaliseFolderPath(FolderOf(target))) != wanted) return;
        entries.push_back({node.Text(), target, node.Image()});
    };
    int tops = 0;
    for (const auto& top : model.all.TopNodes()) {
        if (++tops > kWalkLimit) break;
        consider(*top);
        for (const auto& child : top->Children()) consider(*child);
    }
    return entries;
}

TTreeMenuPlan PlanTreeMenu(const std::optional<TMenuNode>& node, bool allTab, bool startedElevated,
                           const TRecordModel& model, const std::wstring& documentsFolder) {
    TTreeMenuPlan plan;
    plan.deleteEntries = allTab;
    if (!node) return plan;
    std::wstring ext = ToLower(Trim(ExtensionOf(node->path)));
    if (ext == L".exe") {
        plan.runAsAdmin = !startedElevated;
    } else if (ext == L".bat" || ext == L".cmd" || ext == L".cpl" || ext == L".msc") {
        plan.runAsAdmin = true;
        plan.openWith = true;
        plan.openWithAdmin = !startedElevated;
    } else if (!ext.empty()) {
        plan.openWith = true;
        plan.openAsAdmin = !startedElevated;
        plan.openWithAdmin = !startedElevated;
    }
    plan.paste = FolderExists(node->path);
    if (allTab) {
        std::wstring folder = node->path;
        if (node->hasChildren && FolderExists(folder)) folder = GroupKeyOf(folder, documentsFolder);
        if (FolderExists(folder)) plan.recent = RecentEntriesOf(folder, model);
    }
    return plan;
}

}  // namespace qm
