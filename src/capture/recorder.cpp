#include "capture/recorder.h"

#include "base/guarded.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/pathutil.h"
#include "capture/privacy.h"
#include "capture/specialwindow.h"

namespace qm {

namespace {

constexpr wchar_t kPhotoViewer[] = L"Windows Photo Viewer";
constexpr wchar_t kWindowsExplorer[] = L"Windows Explorer";

std::wstring Lt(const std::wstring& s) { return ToLower(Trim(s)); }

std::wstring NoBlanksEncoded(const std::wstring& s) { return ReplaceAll(s, L"%20", L" "); }

bool IsExplorerPath(const std::wstring& path) { return Lt(FileNameOf(Trim(path))) == L"explorer.exe"; }

bool ContainsWebScheme(const std::wstring& lower) {
    return lower.find(L"http:") != std::wstring::npos || lower.find(L"https:") != std::wstring::npos;
}

// Drops a leading "file:///" (any case).
std::wstring WithoutFileScheme(const std::wstring& s) { return StartsWithNoCase(s, L"file:///") ? s.substr(8) : s; }

// The scheme prefix ("http://" or "https://") an address begins with, or empty.
std::wstring WebScheme(const std::wstring& lower) {
    if (lower.rfind(L"http://", 0) == 0) return L"http://";
    if (lower.rfind(L"https://", 0) == 0) return L"https://";
    return L"";
}

// Position of a node in the tree's display order, as a path of sibling indexes.
std::vector<int> TreePosition(const TTreeNode* node) {
    std::vector<int> pos;
    for (const TTreeNode* n = node; n && n->Parent(); n = n->Parent()) {
        const auto& kids = n->Parent()->Children();
        for (size_t i = 0; i < kids.size(); ++i)
            if (kids[i].get() == n) {
                pos.push_back(static_cast<int>(i));
                break;
            }
    }
    std::reverse(pos.begin(), pos.end());
    return pos;
}

TTreeNode* FirstInTreeOrder(const std::vector<TTreeNode*>& nodes) {
    if (nodes.empty()) return nullptr;
    if (nodes.size() == 1) return nodes.front();
    return *std::min_element(nodes.begin(), nodes.end(),
                             [](const TTreeNode* a, const TTreeNode* b) { return TreePosition(a) < TreePosition(b); });
}

// A set of lower-cased texts that answers "equal, allowing one trailing \ on either side".
class TPathSet {
public:
    void Add(const std::wstring& s) { ++counts_[s]; }
    void Remove(const std::wstring& s) {
        auto it = counts_.find(s);
        if (it != counts_.end() && --it->second == 0) counts_.erase(it);
    }
    bool Has(const std::wstring& s) const { return counts_.count(s) != 0; }
    bool HasLoosely(const std::wstring& n) const {
        if (Has(n) || Has(n + L"\\")) return true;
        return !n.empty() && n.back() == L'\\' && Has(n.substr(0, n.size() - 1));
    }

private:
    std::unordered_map<std::wstring, int> counts_;
};

}  // namespace

int ImageRule(const std::wstring& text) {
    try {
        if (FolderExists(text)) return kImageFolder;
        std::wstring lower = Lt(text);
        std::wstring ext = ExtensionOf(lower);
        auto is = [&](std::initializer_list<const wchar_t*> list) {
            return std::any_of(list.begin(), list.end(), [&](const wchar_t* e) { return ext == e; });
        };
        if (lower.find(L"http://") != std::wstring::npos) return 2;
        if (lower.find(L"winrar.exe") != std::wstring::npos || is({L".rar", L".zip", L".tar"})) return 9;
        if (is({L".html", L".htm", L".jsp", L".aspx", L".asp", L".php"})) return 2;
        if (is({L".bmp", L".jpg", L".png", L".jpeg", L".gif", L".ico", L".wmf", L".emf"})) return 3;
        return 12;
    } catch (...) {
        return 0;  // no image rule for a text that cannot be looked at
    }
}

// Lookups over the open record that the tests and the node builder ask many
// times per run: what each node contributes to each test, kept up to date as
// the recorder adds nodes and rebuilt when anything else changed the model.
class TRecorder::TIndex {
public:
    explicit TIndex(TRecorder& r) : r_(r) { Build(); }

    bool Current() const {
        const TRecordModel& m = r_.model_;
        return itemsRev_ == m.items.Revision() && allRev_ == m.all.Revision() && docRev_ == m.doc.Revision() &&
               pathRev_ == m.path.Revision();
    }
    void Synced() {
        const TRecordModel& m = r_.model_;
        itemsRev_ = m.items.Revision();
        allRev_ = m.all.Revision();
        docRev_ = m.doc.Revision();
        pathRev_ = m.path.Revision();
    }

    void ItemAdded(int item) {
        const TMyDoc& d = r_.model_.items.At(item);
        itemPaths_.Add(Lt(d.path));
        groupKeys_.Add(Lt(d.groupKey));
    }
    void ItemPathChanging(int item, const std::wstring& newPath) {
        itemPaths_.Remove(Lt(r_.model_.items.At(item).path));
        itemPaths_.Add(Lt(newPath));
    }

    // Of the All tree only the first 5000 top-level nodes, with what lies under
    // them, count; a node sorted in among them pushes the last one out.
    void NodeAdded(const TDocTree& tree, TTreeNode* node) {
        const bool all = &tree == &r_.model_.all;
        if (all && !(node->Level() == 0 ? TopCounts(node) : Counts(node))) return;
        texts_[&tree][Lt(node->Text())].push_back(node);
        if (!all) return;
        Refresh(node);
        // What a parent contributes changes with its first child only.
        TTreeNode* parent = node->Parent();
        if (parent && parent->Parent() && parent->ChildCount() == 1) Refresh(parent);
    }
    // A node of the All tree whose item or children changed.
    void NodeChanged(TTreeNode* node) {
        if (Counts(node)) Refresh(node);
    }

    // Item-table lookups.
    bool HasItemPath(const std::wstring& lower) const { return itemPaths_.Has(lower); }
    bool HasGroupKey(const std::wstring& lower) const { return groupKeys_.HasLoosely(lower); }

    bool RecordedLocation(const std::wstring& n) const { return locations_.HasLoosely(n); }
    bool ApplicationRecorded(const std::wstring& n, const std::wstring& title) const {
        return apps_.Has(n) || explorers_.Has(n + L'\n' + title);
    }
    bool RecentDocInTree(const std::wstring& n) const { return recent_.HasLoosely(n); }
    bool RecordedPath(const std::wstring& p) const { return recorded_.Has(p); }

    TTreeNode* FirstNodeWithText(const TDocTree& tree, const std::wstring& text) {
        auto t = texts_.find(&tree);
        if (t == texts_.end()) return nullptr;
        auto it = t->second.find(Lt(text));
        return it == t->second.end() ? nullptr : FirstInTreeOrder(it->second);
    }
    // Top-level nodes of the All tree whose item path is path (lower-cased, trimmed).
    std::vector<TTreeNode*> TopNodesWithPath(const std::wstring& lower) const {
        auto it = topByPath_.find(lower);
        return it == topByPath_.end() ? std::vector<TTreeNode*>{} : it->second;
    }

private:
    struct TContrib {
        bool any = false;
        std::wstring location, app, explorer, recorded, recent, top;
    };

    // Recomputes what a node of the All tree contributes.
    void Refresh(TTreeNode* node) {
        auto& c = contrib_[node];
        Drop(node, c);
        c = Compute(node);
        Put(node, c);
    }

    bool Counts(const TTreeNode* node) const {
        const TDocTree& all = r_.model_.all;
        if (all.TopCount() <= kWalkLimit) return true;
        while (node->Parent() && node->Parent()->Parent()) node = node->Parent();
        return all.SiblingIndex(node) < kWalkLimit;
    }

    // A top-level node just added: whether it counts, the node it pushed past
    // the bound no longer counting.
    bool TopCounts(const TTreeNode* node) {
        const TDocTree& all = r_.model_.all;
        if (all.TopCount() <= kWalkLimit) return true;
        if (all.SiblingIndex(node) >= kWalkLimit) return false;
        Uncount(all.Top(kWalkLimit));
        return true;
    }

    void Uncount(TTreeNode* top) {
        std::vector<TTreeNode*> stack{top};
        auto& texts = texts_[&r_.model_.all];
        while (!stack.empty()) {
            TTreeNode* n = stack.back();
            stack.pop_back();
            if (auto c = contrib_.find(n); c != contrib_.end()) {
                Drop(n, c->second);
                contrib_.erase(c);
            }
            if (auto t = texts.find(Lt(n->Text())); t != texts.end()) {
                std::erase(t->second, n);
                if (t->second.empty()) texts.erase(t);
            }
            for (const auto& child : n->Children()) stack.push_back(child.get());
        }
    }

    void Build() {
        TRecordModel& m = r_.model_;
        for (int i = 0; i < m.items.Count(); ++i) ItemAdded(i);
        int tops = std::min(m.all.TopCount(), kWalkLimit);
        for (int i = 0; i < tops; ++i) {
            // Depth first, as the tree shows them.
            std::vector<TTreeNode*> stack{m.all.Top(i)};
            while (!stack.empty()) {
                TTreeNode* n = stack.back();
                stack.pop_back();
                Refresh(n);
                texts_[&m.all][Lt(n->Text())].push_back(n);
                for (auto it = n->Children().rbegin(); it != n->Children().rend(); ++it) stack.push_back(it->get());
            }
        }
        for (const TDocTree* tree : {&m.doc, &m.path})
            tree->ForEachNode([&](TTreeNode* n) { texts_[tree][Lt(n->Text())].push_back(n); });
        Synced();
    }

    TContrib Compute(TTreeNode* node) {
        TContrib c;
        const TItemTable& items = r_.model_.items;
        if (!items.IsValid(node->Index())) return c;
        c.any = true;
        const std::wstring& path = items.At(node->Index()).path;
        std::wstring lower = Lt(path);
        int level = node->Level();
        bool group = node->ChildCount() > 0 && FolderExists(path);
        std::wstring groupKey = group ? GroupKeyOf(path, r_.documentsFolder_) : std::wstring();
        if (level <= 1) c.location = lower;
        if (level == 0) {
            c.top = lower;
            if (IsExplorerPath(path))
                c.explorer = lower + L'\n' + Lt(node->Text());
            else
                c.app = lower;
        }
        if (level <= 1) c.recorded = level == 0 && group ? Lt(groupKey) : lower;
        c.recent = group ? Lt(NormaliseFolderPath(groupKey)) : Lt(r_.Resolve(lower));
        return c;
    }

    void Put(TTreeNode* node, const TContrib& c) {
        if (!c.any) return;
        int level = node->Level();
        if (level <= 1) locations_.Add(c.location), recorded_.Add(c.recorded);
        if (level == 0) {
            if (!c.explorer.empty()) explorers_.Add(c.explorer);
            if (!c.app.empty()) apps_.Add(c.app);
            topByPath_[c.top].push_back(node);
        }
        recent_.Add(c.recent);
    }

    void Drop(TTreeNode* node, const TContrib& c) {
        if (!c.any) return;
        int level = node->Level();
        if (level <= 1) locations_.Remove(c.location), recorded_.Remove(c.recorded);
        if (level == 0) {
            if (!c.explorer.empty()) explorers_.Remove(c.explorer);
            if (!c.app.empty()) apps_.Remove(c.app);
            auto& v = topByPath_[c.top];
            v.erase(std::remove(v.begin(), v.end(), node), v.end());
        }
        recent_.Remove(c.recent);
    }

    TRecorder& r_;
    unsigned itemsRev_ = 0, allRev_ = 0, docRev_ = 0, pathRev_ = 0;
    TPathSet itemPaths_, groupKeys_;
    TPathSet locations_, apps_, explorers_, recorded_, recent_;
    std::unordered_map<std::wstring, std::vector<TTreeNode*>> topByPath_;
    std::unordered_map<const TTreeNode*, TContrib> contrib_;
    std::unordered_map<const TDocTree*, std::unordered_map<std::wstring, std::vector<TTreeNode*>>> texts_;
};

// One outermost call (a run, a batch or a single add) keeps its answers from
// the file system; they go when it ends, because the desktop can change in
// between. Its lookups over the model stay for the next call, which takes them
// up only while the model is as this one left it.
void TRecorder::EndScope() {
    existence_.reset();
    resolved_.clear();
    programs_.clear();
}

void TRecorder::BeginBatch() {
    if (scopeDepth_++ == 0) existence_.emplace();
}
void TRecorder::EndBatch() {
    if (--scopeDepth_ == 0) EndScope();
}

TRecorder::TRecorder(TRecordModel& model, const TRecordOptions& options, IItemImages& images,
                     std::wstring documentsFolder)
    : model_(model), options_(options), images_(images), documentsFolder_(std::move(documentsFolder)) {
    classify = [](std::wstring& title, std::wstring& path) { return RecogniseSpecialWindow(title, path, false); };
}

TRecorder::~TRecorder() = default;

void TRecorder::SetSources(IRunningApplications* apps, IOpenLocations* locations, std::wstring recentFolder,
                           std::wstring linksFolder) {
    appSource_ = apps;
    locationSource_ = locations;
    recentFolder_ = std::move(recentFolder);
    linksFolder_ = std::move(linksFolder);
}

TRecorder::TIndex& TRecorder::Index() {
    if (!index_ || !index_->Current()) {
        index_.reset();
        index_ = std::make_unique<TIndex>(*this);
    }
    return *index_;
}

std::wstring TRecorder::Resolve(const std::wstring& path) {
    // Only a shortcut leads elsewhere: a batch asks this of every path several
    // times, and remembering the others would cost more than the answer.
    if (!EndsWithNoCase(path, L".lnk")) return path;
    if (scopeDepth_ == 0) return ResolveLink(path);
    auto it = resolved_.find(path);
    if (it != resolved_.end()) return it->second;
    return resolved_.emplace(path, ResolveLink(path)).first->second;
}

std::wstring TRecorder::ProgramOf(const std::wstring& path) {
    if (scopeDepth_ == 0) return AssociationLookup(path);
    // A document's program depends on its extension alone; a program is its own.
    std::wstring ext = ToLower(ExtensionOf(path));
    bool own = ext == L".exe" || ext == L".bat" || ext == L".msi" || ext.empty();
    const std::wstring& key = own ? path : ext;
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second;
    return programs_.emplace(key, AssociationLookup(path)).first->second;
}

void TRecorder::Pump() {
    if (progress_) progress_->Pump();
}

void TRecorder::Advance() {
    ++gauge_;
    if (progress_) progress_->SetGauge(gauge_, gaugeMax_);
}

void TRecorder::Phase(const wchar_t* text) {
    if (progress_) progress_->SetCaption(text);
    Advance();
    Pump();
}

// ---- The four tests --------------------------------------------------------

bool TRecorder::IsRecordedLocation(const std::wstring& path) {
    if (Trim(path).empty()) return true;
    TBatch scope(*this);
    return Index().RecordedLocation(Lt(NormaliseLocation(path)));
}

bool TRecorder::IsApplicationRecorded(const std::wstring& path, const std::wstring& title) {
    if (Trim(path).empty()) return true;
    TBatch scope(*this);
    std::wstring n = IsPhotoViewer(path) ? std::wstring(kPhotoViewer) : NormaliseLocation(path);
    return Index().ApplicationRecorded(Lt(n), Lt(title));
}

bool TRecorder::CheckIfRecentDocInTreeNode(const std::wstring& path) {
    if (Trim(path).empty()) return true;
    TBatch scope(*this);
    return Index().RecentDocInTree(Lt(Resolve(path)));
}

bool TRecorder::IsRecordedPath(const std::wstring& path, const std::wstring&) {
    TBatch scope(*this);
    return Index().RecordedPath(Lt(path));
}

void TRecorder::MarkAsCurrent(const std::wstring& path) {
    TBatch scope(*this);
    Advance();
    Pump();
    std::wstring p = Resolve(NoBlanksEncoded(path));
    if (IsPhotoViewer(p) && !IsApplicationRecorded(kPhotoViewer, kPhotoViewer))
        lastRecordedPath_ = kPhotoViewer;
    else
        lastRecordedPath_ = p;
}

bool TRecorder::AddOne(const std::wstring& path, const std::wstring& title) {
    TBatch scope(*this);
    if (IsRecordedPath(path, title)) {
        MarkAsCurrent(path);
        return false;
    }
    AddLocation(path, title);
    return true;
}

// ---- What items keep beyond their path -------------------------------------

namespace {

std::wstring LooseKey(const std::wstring& path) {
    std::wstring p = Lt(ReplaceAll(WithoutFileScheme(NoBlanksEncoded(path)), L"/", L"\\"));
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    return p;
}

// What a captured location brings along, as far as the options keep it.
TItemExtras ExtrasOf(const TLocationPair& pair, const TRecordOptions& options) {
    TItemExtras extras;
    if (options.restorePlacement) extras.place = pair.place;
    if (options.recordAllTabs) extras.tab = pair.tab;
    return extras;
}

// The items added for a captured path since first (a group made for it keeps
// its key as path and is passed over) take what the capture found beyond it.
void KeepExtras(TItemTable& items, int first, const std::wstring& path, const TItemExtras& extras) {
    if (extras.Empty()) return;
    std::wstring key = LooseKey(path);
    for (int i = first; i < items.Count(); ++i)
        if (LooseKey(items.At(i).path) == key) items.At(i).extras = extras;
}

}  // namespace

// ---- Adding ----------------------------------------------------------------

void TRecorder::NoteRecent(const std::wstring& path) { recent_.Add(Trim(path)); }

void TRecorder::AddLocation(const std::wstring& rawPath, const std::wstring& rawTitle) {
    TBatch scope(*this);
    Advance();
    Pump();
    std::wstring path = Trim(Resolve(NoBlanksEncoded(rawPath)));
    std::wstring title = rawTitle;
    std::wstring lowerPath = Lt(path);

    if (IsPhotoViewer(path)) {
        if (!IsApplicationRecorded(kPhotoViewer, kPhotoViewer)) {
            lastRecordedPath_ = kPhotoViewer;
            AddNewFileNameToDocTree(kPhotoViewer, kPhotoViewer);
        }
        return;
    }
    if (ContainsWebScheme(lowerPath)) {
        if (Trim(title).empty()) title = path;
        lastRecordedPath_ = path;
        AddNewFileNameToDocTree(path, title);
        return;
    }
    if (FolderExists(path)) {
        path = NormaliseFolderPath(path);
        if (Trim(title).empty()) title = DisplayName(path);
        lastRecordedPath_ = path;
        AddNewFileNameToDocTree(path, title);
        return;
    }
    // Only a file has a program of its own (a folder's would be looked up in
    // the registry for nothing).
    std::wstring program = Lt(ProgramOf(path));
    if (!program.empty() && program != lowerPath) {
        AddDocumentOfProgram(path, program);
        return;
    }
    std::wstring installed = images_.InstalledName(path);
    if (!installed.empty()) title = installed;
    if (Trim(title).empty()) title = ExtensionOf(lowerPath) == L".lnk" ? DisplayName(path) : FileNameOf(path);
    lastRecordedPath_ = path;
    AddNewFileNameToDocTree(path, title);
}

// A document whose program is another file: under the program when that is
// recorded, else the program is recorded and the document attached to it.
void TRecorder::AddDocumentOfProgram(const std::wstring& path, const std::wstring& lowerProgram) {
    std::wstring program = lowerProgram;
    std::wstring programTitle = Lt(FileNameOf(program)) == L"explorer.exe" ? std::wstring(kWindowsExplorer) : program;
    auto programForm = [&] { return IsPhotoViewer(program) ? std::wstring(kPhotoViewer) : NormaliseLocation(program); };
    if (IsApplicationRecorded(program, programTitle)) {
        program = programForm();
        AttachUnderRecordedProgram(path, program);
        lastRecordedPath_ = path;
        NoteRecent(path);
        return;
    }
    Pump();
    program = programForm();
    if (program == kPhotoViewer || FileExists(program)) {
        std::wstring title;
        if (programTitle == kWindowsExplorer)
            title = kWindowsExplorer;
        else if (title = images_.InstalledName(program); title.empty())
            title = FileNameOf(program);
        lastRecordedPath_ = path;
        NoteRecent(path);
        AddNewFileNameToDocTree(program, title);
        return;
    }
    lastRecordedPath_ = path;
    AddNewFileNameToDocTree(path, FileNameOf(path));
}

void TRecorder::AddNewFileNameToDocTree(const std::wstring& rawPath, const std::wstring& title) {
    TBatch scope(*this);
    std::wstring path = NoBlanksEncoded(rawPath);
    if (FolderExists(path))
        BuildNode(path, title, false);
    else if (IsValidDrivePath(path))
        BuildNode(path, title, true);
    else
        BuildNode(path, title, Lt(path) == L"windows photo viewer");
}

TTreeNode* TRecorder::AddTreeNode(TDocTree& tree, TTreeNode* parent, const std::wstring& text, int item, int image) {
    TIndex& index = Index();
    TTreeNode* node = tree.Add(parent, text, item, image);
    index.NodeAdded(tree, node);
    index.Synced();
    return node;
}

// The index is taken before the table grows: asked for afterwards it would
// see a changed table and be rebuilt from the whole record for every item.
int TRecorder::AppendItem(TMyDoc doc) {
    TIndex& index = Index();
    const int n = model_.items.Append();
    model_.items.At(n) = std::move(doc);
    index.ItemAdded(n);
    index.Synced();
    return n;
}

void TRecorder::SetItemPath(int item, const std::wstring& path) {
    Index().ItemPathChanging(item, path);
    model_.items.At(item).path = path;
}

void TRecorder::BuildNode(const std::wstring& rawPath, const std::wstring& rawTitle, bool fileItem) {
    TBatch scope(*this);
    // 1. The texts.
    std::wstring path = Trim(rawPath);
    if (path.empty()) return;
    std::wstring title = Trim(rawTitle);
    if (title.empty()) title = DisplayName(path);
    path = NoBlanksEncoded(path);
    std::wstring lowerPath = Lt(path);

    // 2. Nothing twice.
    if (lowerPath.find(L"res://") != std::wstring::npos) return;
    {
        std::wstring t = title, p = path;
        if (classify(t, p) != 1 && Index().HasItemPath(Lt(ReplaceAll(WithoutFileScheme(Trim(path)), L"/", L"\\"))))
            return;
    }

    // 3. The group key.
    std::wstring key = Trim(GroupKeyOf(path, documentsFolder_));
    if (!fileItem && key.empty()) return;

    // 4.-5. The item and its kind.
    // An item of the same key may have been recorded without a group node of
    // that text (a file names its node by its title): the group is made then.
    TTreeNode* existingGroup = fileItem ? nullptr : Index().FirstNodeWithText(model_.all, key);
    bool newGroup = fileItem || !existingGroup || !Index().HasGroupKey(Lt(key));
    TMyDoc item;
    {
        bool folderLike = !FileExists(path) && !IsWebAddress(path) &&
                          (StartsWithNoCase(path, L"file:///") || path.rfind(L"\\\\", 0) == 0 ||
                           (path.size() >= 2 && iswalpha(path[0]) && path[1] == L':'));
        if (folderLike) {
            item.docType = kDocFolder;
            std::wstring p = WithoutFileScheme(path);
            p = ReplaceAll(ReplaceAll(ReplaceAll(p, L"///", L"\\"), L"//", L"\\"), L"/", L"\\");
            item.path = p;
            item.title = title.empty() ? p : title;
        } else {
            item.docType = fileItem ? kDocAppOrFile : !WebScheme(lowerPath).empty() ? kDocWebPage : kDocAppOrFile;
            item.path = path;
            item.title = title;
        }
        item.groupKey = key;
    }
    const int n = AppendItem(std::move(item));
    const int32_t docType = model_.items.At(n).docType;

    // 6. The group node.
    TTreeNode *allGroup = nullptr, *docGroup = nullptr, *pathGroup = nullptr, *appGroup = nullptr;
    if (newGroup) {
        std::wstring caption = fileItem ? title : key.size() >= 4 ? key : title;
        int image = fileItem ? images_.IconOf(path, title) : ImageRule(caption);
        if (docType == kDocWebPage) image = kImageWebPage;
        if (docType == kDocFolder) image = kImageFolder;
        allGroup = AddTreeNode(model_.all, nullptr, caption, n, image);
        model_.NoteDocType(docType);
        if (docType == kDocWebPage) docGroup = AddTreeNode(model_.doc, nullptr, caption, n, kImageWebPage);
        if (docType == kDocAppOrFile) appGroup = AddTreeNode(model_.app, nullptr, caption, n, image);
        if (docType == kDocFolder) pathGroup = AddTreeNode(model_.path, nullptr, caption, n, kImageFolder);
    } else {
        allGroup = existingGroup;
        docGroup = Index().FirstNodeWithText(model_.doc, key);
        pathGroup = Index().FirstNodeWithText(model_.path, key);
    }

    // 7. An application gets its recent documents.
    if (fileItem) {
        AttachRecentDocuments(allGroup, appGroup, path, title);
        return;
    }

    // 8. Does the item need a node of its own under the group?
    std::wstring itemPath = model_.items.At(n).path;
    std::wstring childPath = path;
    std::wstring childKey = key;
    bool wanted = true;
    if (docType == kDocFolder) {
        childPath = StripTrailingBackslash(ReplaceAll(path, L"/", L"\\"));
        childKey = StripTrailingBackslash(key);
        wanted = !EqualsNoCase(childPath, L"file:\\\\\\" + childKey) && !EqualsNoCase(childPath, childKey);
    } else if (docType == kDocWebPage) {
        // Secure pages follow the same site-root rule as plain ones.
        std::wstring scheme = WebScheme(lowerPath);
        wanted = !EqualsNoCase(path, scheme + key) && !EqualsNoCase(path, scheme + key + L"/");
    }
    if (!wanted) return;

    // 9. The child node.
    std::wstring caption;
    if (docType == kDocFolder) {
        std::wstring p = StartsWithNoCase(childPath, L"file:\\\\\\") ? childPath.substr(8) : childPath;
        caption = p.size() > childKey.size() + 1 ? p.substr(childKey.size() + 1) : std::wstring();
    } else if (size_t at = lowerPath.find(L"http://"); at != std::wstring::npos) {
        caption = path.substr(at + 7);
    } else if (size_t ats = lowerPath.find(L"https://"); ats != std::wstring::npos) {
        caption = path.substr(ats + 8);
    }
    caption = Trim(caption);
    if (caption.empty() || !allGroup) return;
    int child = n;
    if (newGroup) {
        TMyDoc copy = model_.items.At(n);
        SetItemPath(n, key);
        copy.path = itemPath;
        child = AppendItem(std::move(copy));
        Index().NodeChanged(allGroup);
        Index().Synced();
    }
    int childImage = docType == kDocWebPage ? kImageWebPage : docType == kDocFolder ? kImageFolder : ImageRule(caption);
    AddTreeNode(model_.all, allGroup, docType == kDocWebPage ? title : caption, child, childImage);
    if (docType == kDocWebPage && docGroup) AddTreeNode(model_.doc, docGroup, title, child, kImageWebPage);
    if (docType == kDocFolder && pathGroup) AddTreeNode(model_.path, pathGroup, caption, child, kImageFolder);
}

void TRecorder::AttachRecentDocuments(TTreeNode* allNode, TTreeNode* appNode, const std::wstring& path,
                                      const std::wstring& title) {
    if (!allNode) return;
    bool viewer = title == L"picture and fax viewer" || title == L"photo viewer" || title == kPhotoViewer;
    std::wstring appKey = viewer ? L"windows photo viewer" : Lt(path);
    bool viewerTitle = Lt(title) == L"windows photo viewer";
    std::vector<std::wstring> targets;
    if (!viewerTitle) {
        targets = RecentDocumentsOf(appKey);
    } else {
        for (const std::wstring& entry : recent_.List()) {
            std::wstring target = Resolve(entry);
            if (IsPhotoViewer(Lt(ProgramOf(target)))) targets.push_back(target);
        }
    }
    for (const std::wstring& target : targets) {
        int image = FileExists(target) ? images_.IconOf(target, L"") : images_.IconOf(path, title);
        TMyDoc doc;
        doc.docType = kDocAppOrFile;
        doc.path = target;
        doc.title = FileNameOf(target);
        int item = AppendItem(std::move(doc));
        AddTreeNode(model_.all, allNode, model_.items.At(item).title, item, image);
        if (appNode) AddTreeNode(model_.app, appNode, model_.items.At(item).title, item, image);
    }
}

// The recent documents of each program, in the list's order, kept while the
// list only grows and brought up to date from the paths it took since: a batch
// that adds thousands of programs and documents walks the list once, not once
// for every program it adds, and the next batch not at all.
// An entry's sort key (placing one among thousands compares bytes instead of
// asking the locale) -> what the entry led to when it was taken; equal keys
// stand in the list's order.
using TKeyedEntries = std::multimap<std::string, std::wstring>;

struct TRecorder::TRecentByProgram {
    unsigned generation = 0;
    size_t taken = 0;
    // Lower-cased program -> the entries whose target it opens, sorted as the list
    // (a common program opens thousands, and each new one is placed among them).
    std::unordered_map<std::wstring, TKeyedEntries> byProgram;
    // Lower-cased target -> the key of the first entry (in the list's order) leading to it.
    std::unordered_map<std::wstring, std::string> firstByTarget;
};

// The targets of the recent documents opened by the program appKey (lower-cased)
// that stand in the list before the program's own entry.
std::vector<std::wstring> TRecorder::RecentDocumentsOf(const std::wstring& appKey) {
    if (!recentByProgram_ || recentByProgram_->generation != recent_.Generation()) {
        recentByProgram_ = std::make_unique<TRecentByProgram>();
        recentByProgram_->generation = recent_.Generation();
    }
    TRecentByProgram& r = *recentByProgram_;
    auto take = [&](const std::wstring& entry, bool inOrder) {
        std::wstring target = Resolve(entry);
        std::string key = NodeSortKey(entry);
        TKeyedEntries& docs = r.byProgram[Lt(ProgramOf(target))];
        auto [first, fresh] = r.firstByTarget.try_emplace(Lt(target), key);
        if (!fresh && !inOrder && !(first->second < key)) first->second = key;
        // As the list places them: before entries that compare equal.
        auto at = inOrder ? docs.end() : docs.lower_bound(key);
        docs.emplace_hint(at, std::move(key), std::move(target));
    };
    const std::vector<std::wstring>& added = recent_.Added();
    if (r.taken == 0) {
        // The list holds what was added, already in its order.
        for (const std::wstring& entry : recent_.List()) take(entry, true);
        r.taken = added.size();
    }
    for (; r.taken < added.size(); ++r.taken) take(added[r.taken], false);
    std::vector<std::wstring> targets;
    auto docs = r.byProgram.find(appKey);
    if (docs == r.byProgram.end()) return targets;
    auto stop = r.firstByTarget.find(appKey);
    for (const auto& [key, target] : docs->second) {
        if (stop != r.firstByTarget.end() && !(key < stop->second)) break;
        targets.push_back(target);
    }
    return targets;
}

void TRecorder::AttachUnderRecordedProgram(const std::wstring& document, const std::wstring& program) {
    int image = images_.IconOf(document, L"");
    TMyDoc doc;
    doc.docType = kDocAppOrFile;
    doc.path = document;
    doc.title = FileNameOf(document);
    int item = AppendItem(std::move(doc));
    bool explorer = Lt(FileNameOf(program)) == L"explorer.exe";
    std::vector<TTreeNode*> candidates = Index().TopNodesWithPath(Lt(program));
    if (explorer)
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [](TTreeNode* n) { return Lt(n->Text()) != L"windows explorer"; }),
                         candidates.end());
    if (TTreeNode* node = FirstInTreeOrder(candidates))
        AddTreeNode(model_.all, node, model_.items.At(item).title, item, image);
}

// ---- The record operation ----------------------------------------------------

void TRecorder::Record(const TRecordRun& run) {
    if (running_) return;
    running_ = true;
    bool somethingNew = false;
    // A failure ends the run; what was added stays.
    Guarded(L"record operation", [&] {
        // A record operation the user starts looks at the record afresh; Smart
        // Record runs take up the lookups the last call left.
        if (!run.smart && scopeDepth_ == 0) index_.reset();
        TBatch scope(*this);
        RunPhases(run, somethingNew);
        if (somethingNew || run.newRecord) {
            Finish(run);
            if (host_) host_->SelectItemByPath(lastRecordedPath_);
        }
    });
    Guarded(L"record operation end", [&] {
        if (progress_) {
            progress_->SetCaption(L"");
            progress_->ShowProgress(false);
        }
        if (host_) host_->SetTreeRebuilding(false);
    });
    running_ = false;
}

void TRecorder::RunPhases(const TRecordRun& run, bool& somethingNew) {
    gauge_ = 0;
    gaugeMax_ = 12;
    if (progress_) {
        progress_->SetCaption(L"Recording now,please waiting...");
        if (!run.smart) progress_->ShowProgress(true);
        progress_->SetGauge(0, gaugeMax_);
    }
    if (!run.smart) {
        if (host_) host_->SetTreeRebuilding(true);
        model_.ClearAll();
        filterRows_.clear();
        if (host_) host_->ShowFilterList(false);
    }
    apps_.clear();
    TPumpFn pump = [this] { Pump(); };

    Phase(L"Loading installed programs,please waiting...");
    Guarded(L"installed programs", [&] { images_.LoadInstalledPrograms(); });
    Phase(L"Loading running applications,please waiting...");
    Guarded(L"running applications", [&] {
        if (appSource_) appSource_->Scan(options_.filterPCStart, apps_, filterRows_, pump);
    });
    Phase(L"Loading running folder and web page,please waiting...");
    locations_.clear();
    // Without forcing: the scan takes web pages as "Record web pages" says.
    Guarded(L"open locations", [&] {
        if (locationSource_) locationSource_->Scan(options_.webpage, locations_, pump);
        if (options_.keepAddressesPrivate) KeepAddressesPrivate(locations_);
    });
    Phase(L"Loading recent documents,please waiting...");
    Guarded(L"recent documents", [&] { recent_.Scan(recentFolder_, options_, run.smart, pump); });
    somethingNew = false;
    Phase(L"Loading startup programs,please waiting...");
    if (run.newRecord) images_.ResetToBaseImages();

    gauge_ = 0;
    gaugeMax_ = static_cast<int>(locations_.size() + apps_.size());
    if (progress_) progress_->SetGauge(0, gaugeMax_);
    Phase(L"Recording running applications,please waiting...");
    Guarded(L"record open locations", [&] { RecordOpenLocations(somethingNew); });
    Phase(L"Recording running files,please waiting...");
    Guarded(L"record running applications", [&] { RecordRunningApplications(somethingNew); });
    Phase(L"Recording recent documents,please waiting...");
    Guarded(L"record recent documents", [&] { RecordRecentDocuments(somethingNew); });
    if (options_.displayPCStartFilterList && !filterRows_.empty() && host_) host_->ShowFilterList(true);
}

void TRecorder::RecordOpenLocations(bool& somethingNew) {
    for (size_t i = 0; i < locations_.size(); ++i) {
        // A failing entry is skipped.
        Guarded(L"record open location", [&] {
            std::wstring location = Trim(locations_[i].location);
            if (location.empty()) return;
            if (!IsRecordedLocation(location)) {
                int first = model_.items.Count();
                AddLocation(location, locations_[i].title);
                KeepExtras(model_.items, first, location, ExtrasOf(locations_[i], options_));
                somethingNew = true;
            }
        });
    }
    if (!options_.webpage || !locationSource_) return;
    std::vector<TLocationPair> pages = locationSource_->BrowserPages();
    if (options_.keepAddressesPrivate) KeepAddressesPrivate(pages);
    // A page already in the record is nothing new: a tick with a browser open
    // would otherwise rewrite the record every time.
    for (const TLocationPair& page : pages) {
        if (!IsRecordedLocation(page.location)) {
            somethingNew = true;
            int first = model_.items.Count();
            AddNewFileNameToDocTree(page.location, page.title);
            KeepExtras(model_.items, first, page.location, ExtrasOf(page, options_));
            lastRecordedPath_ = page.location;
            Pump();
            Advance();
        }
    }
}

void TRecorder::RecordRunningApplications(bool& somethingNew) {
    for (size_t i = 0; i < apps_.size(); ++i) {
        Guarded(L"record running application", [&] {
            std::wstring path = apps_[i].path;
            std::wstring title = Trim(apps_[i].title);
            if (IsApplicationRecorded(path, title)) return;
            somethingNew = true;
            if (title.empty()) title = DisplayName(path);
            if (IsPhotoViewer(path)) path = kPhotoViewer;
            lastRecordedPath_ = path;
            int first = model_.items.Count();
            AddNewFileNameToDocTree(path, title);
            if (options_.restorePlacement && apps_[i].place)
                KeepExtras(model_.items, first, path, {apps_[i].place, {}});
            Advance();
            Pump();
        });
    }
}

void TRecorder::RecordRecentDocuments(bool& somethingNew) {
    const std::vector<std::wstring> entries = recent_.List();  // the count is taken once
    for (const std::wstring& entry : entries) {
        Guarded(L"record recent document", [&] {
            Pump();
            std::wstring target = Resolve(entry);
            if (Lt(ExtensionOf(target)) == L".lnk" && !linksFolder_.empty()) {
                // A shortcut to a shortcut: the record keeps a copy of its own.
                if (CreateFolderTree(linksFolder_)) {
                    std::wstring copy = JoinPath(linksFolder_, FileNameOf(target));
                    if (::CopyFileW(LongPathForm(target).c_str(), LongPathForm(copy).c_str(), FALSE)) {
                        TExistenceCache::Forget(copy);
                        target = copy;
                    }
                }
            }
            std::optional<DWORD> scanned = recent_.ScannedAttributes(target);
            DWORD attributes = scanned ? *scanned : ::GetFileAttributesW(LongPathForm(target).c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) return;
            if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return;
            if (ToUpper(target).find(L"$RECYCLE.BIN") != std::wstring::npos) return;
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                target = NormaliseFolderPath(target);
                if (!CheckIfRecentDocInTreeNode(target)) {
                    somethingNew = true;
                    AddLocation(target, DisplayName(target));
                }
                Pump();
                Advance();
                return;
            }
            // A document the record holds already adds nothing, whatever its
            // program: the common case of a Smart Record tick, so it is asked first.
            if (CheckIfRecentDocInTreeNode(target)) {
                Pump();
                return;
            }
            std::wstring program = NormaliseLocation(ProgramOf(target));
            if (Trim(program).empty()) program = target;
            program = Lt(program);
            somethingNew = true;
            if (!IsApplicationRecorded(program, program)) {
                AddLocation(NormaliseLocation(target), DisplayName(target));
                Pump();
                Advance();
            } else {
                AddLocation(target, DisplayName(target));
            }
        });
    }
}

void TRecorder::Finish(const TRecordRun& run) {
    if (!host_ || !progress_) return;
    host_->SelectAllTab();
    progress_->Pump();
    TSaveRule rule = run.nameChosen ? TSaveRule::Keep : run.newRecord ? TSaveRule::New : TSaveRule::Selected;
    host_->SaveRecord(rule);
    progress_->Pump();
    host_->SelectItemByPath(lastRecordedPath_);
    progress_->Pump();
    progress_->SetCaption(L"Finish.");
    progress_->Pump();
}

}  // namespace qm
