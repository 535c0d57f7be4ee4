#include "replay/treecommands.h"

#include <shlobj.h>

#include <algorithm>
#include <unordered_set>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/links.h"
#include "records/treefile.h"

namespace qm {

int SearchRecords(const std::wstring& term, const std::vector<std::wstring>& recordFiles, TRecorder& recorder,
                  const TPumpFn& pump) {
    if (term.empty()) return 0;
    const std::wstring lowered = ToLower(term);
    int added = 0;
    TRecorder::TBatch batch(recorder);
    std::vector<TTreeFileItem> items;
    for (const std::wstring& file : recordFiles) {
        std::optional<std::string> bytes = IsExistingFile(file) ? ReadFileBytes(file) : std::nullopt;
        if (!bytes) continue;
        // The file is only read: its elements in document order (each node before its children).
        ParseTreeXml(*bytes, items);
        size_t usable = UsableTreeItems(items);
        for (size_t i = 0; i < usable; ++i) {
            const std::wstring& title = items[i].text;
            std::wstring path = items[i].path.find(L'%') == std::wstring::npos
                                    ? items[i].path
                                    : ReplaceAll(items[i].path, L"%20", L" ");
            if (ToLower(title).find(lowered) == std::wstring::npos && ToLower(path).find(lowered) == std::wstring::npos)
                continue;
            if (recorder.IsRecordedPath(path, title)) continue;
            recorder.AddLocation(path, title);
            ++added;
        }
        if (pump) pump();
    }
    return added;
}

std::vector<TTreeNode*> SelectedRoots(const TDocTree& tree) {
    std::vector<TTreeNode*> selected = tree.SelectedNodes();
    std::unordered_set<const TTreeNode*> chosen(selected.begin(), selected.end());
    std::vector<TTreeNode*> roots;
    for (TTreeNode* node : selected) {
        bool underChosen = false;
        for (const TTreeNode* up = node->Parent(); up && !underChosen; up = up->Parent())
            underChosen = chosen.count(up);
        if (!underChosen) roots.push_back(node);
    }
    return roots;
}

TRecentFolderSeams TRecentFolderSeams::Real() {
    TRecentFolderSeams s;
    s.list = [] {
        std::vector<std::wstring> files;
        std::wstring folder = SpecialFolder(CSIDL_RECENT);
        if (folder.empty()) return files;
        WIN32_FIND_DATAW fd;
        unique_hfind find(::FindFirstFileW(LongPathForm(JoinPath(folder, L"*")).c_str(), &fd));
        if (!find) return files;
        int looked = 0;
        do {
            if (++looked > kWalkLimit) break;
            if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) continue;
            files.push_back(JoinPath(folder, fd.cFileName));
        } while (::FindNextFileW(find.get(), &fd));
        return files;
    };
    s.resolve = [](const std::wstring& file) { return ResolveLink(file); };
    s.remove = [](const std::wstring& file) { return ::DeleteFileW(LongPathForm(file).c_str()) != FALSE; };
    return s;
}

namespace {

std::wstring Key(const std::wstring& s) { return ToLower(Trim(s)); }

// The shortcut leads to the item: its target is the item's path (a trailing
// "\" does not count), or it leads to the copy of a shortcut in the links folder.
bool LeadsTo(const std::wstring& target, const std::wstring& item, const std::wstring& linksFolder) {
    if (target.empty() || item.empty()) return false;
    if (target == item || target == item + L"\\" || target + L"\\" == item) return true;
    return ExtensionOf(target) == L".lnk" && Key(JoinPath(linksFolder, FileNameOf(target))) == item;
}

}  // namespace

int DeleteSelectedItems(TRecordModel& model, const std::wstring& linksFolder, const TRecentFolderSeams& seams) {
    std::vector<TTreeNode*> roots = SelectedRoots(model.all);
    if (roots.empty()) return 0;
    if (roots.size() > static_cast<size_t>(kWalkLimit)) roots.resize(kWalkLimit);
    std::vector<std::wstring> deletedPaths;
    for (TTreeNode* node : roots) {
        if (model.items.IsValid(node->Index())) deletedPaths.push_back(Key(model.items.At(node->Index()).path));
        model.all.Remove(node);
    }
    // Only shortcuts are ever deleted from the Recent folder, and only those of
    // a deleted item.
    const std::wstring links = Key(NormaliseFolderPath(linksFolder));
    std::vector<std::wstring> recent = seams.list ? seams.list() : std::vector<std::wstring>{};
    for (const std::wstring& file : recent) {
        if (Key(ExtensionOf(file)) != L".lnk") continue;
        std::wstring target = Key(seams.resolve(file));
        bool matched = std::any_of(deletedPaths.begin(), deletedPaths.end(),
                                   [&](const std::wstring& p) { return LeadsTo(target, p, links); });
        if (matched) seams.remove(file);
    }
    return static_cast<int>(roots.size());
}

}  // namespace qm
