#include "records/recordstore.h"

#include <shellapi.h>

#include <algorithm>

#include "base/guarded.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/scope_exit.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "records/sidefiles.h"
#include "records/treefile.h"

namespace qm {

namespace {

const wchar_t* const kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                  L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

// Characters by 1-based position; positions beyond the end give nothing.
std::wstring Slice(const std::wstring& s, size_t from, size_t to) {
    if (from > s.size()) return {};
    return s.substr(from - 1, std::min(to, s.size()) - from + 1);
}

std::wstring MonthNumber(const std::wstring& text) {
    std::string ansi = WideToAnsi(text);
    ::CharLowerBuffA(ansi.data(), static_cast<DWORD>(ansi.size()));
    std::wstring lower = AnsiToWide(ansi);
    static const wchar_t* const lowerMonths[] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                                 L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};
    for (int m = 0; m < 12; ++m)
        if (lower == lowerMonths[m]) return Format(L"%02d", m + 1);
    return lower;
}

// Sends one file to the recycle bin; a missing file is skipped.
void Recycle(const std::wstring& path) {
    if (!PathExists(path)) return;
    std::wstring from = path + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT;  // 0x54
    ::SHFileOperationW(&op);
}

}  // namespace

std::wstring RecordDateKey(const std::wstring& fileName) {
    std::wstring name = fileName.size() > 8 ? fileName.substr(0, fileName.size() - 8) : std::wstring();
    return Slice(name, 8, 11) + MonthNumber(Slice(name, 1, 3)) + Slice(name, 5, 6) + Slice(name, 13, 15);
}

bool IsValidRecordName(const std::wstring& text) {
    std::wstring name = Trim(text);
    if (EndsWithNoCase(name, kRecordExt)) name.resize(name.size() - std::wstring_view(kRecordExt).size());
    return IsValidFileName(name);
}

std::wstring RecordDateText(const SYSTEMTIME& day) {
    int m = std::clamp<int>(day.wMonth, 1, 12) - 1;
    return Format(L"%ls %02u,%04u", kMonths[m], day.wDay, day.wYear);
}

TRecordStore::TRecordStore(TRecordModel& model, TSettings& settings, TSettingsStore* settingsStore, IRecordList& list,
                           IStoreHost& host, IProgress& progress, std::wstring appPath, std::wstring defaultFolder)
    : model_(model),
      settings_(settings),
      settingsStore_(settingsStore),
      list_(list),
      host_(host),
      progress_(progress),
      appPath_(std::move(appPath)),
      defaultFolder_(std::move(defaultFolder)) {}

std::wstring TRecordStore::RecordFolder() const { return NormaliseFolderPath(settings_.record.recPath); }

std::wstring TRecordStore::SideFile(const std::wstring& recordPath, const wchar_t* ext) {
    return ChangeExtension(recordPath, ext);
}

std::wstring TRecordStore::EntryPath(const std::wstring& entry) const {
    return JoinPath(RecordFolder(), entry + kRecordExt);
}

std::wstring TRecordStore::RecordPathFor(const std::wstring& name) const {
    if (!IsValidRecordName(name)) return {};
    std::wstring file = Trim(name);
    if (!EndsWithNoCase(file, kRecordExt)) file += kRecordExt;
    return JoinPath(RecordFolder(), file);
}

int TRecordStore::ListedIndexOf(const std::wstring& recordFile) const {
    if (!IsValidRecordName(recordFile)) return -1;
    std::wstring name = Trim(recordFile);
    if (EndsWithNoCase(name, kRecordExt)) name.resize(name.size() - std::wstring_view(kRecordExt).size());
    for (int i = 0; i < list_.Count(); ++i) {
        std::wstring entry = list_.Text(i);
        if (EqualsNoCase(entry, name)) return IsExistingFile(EntryPath(entry)) ? i : -1;
    }
    return -1;
}

std::wstring TRecordStore::NewRecordName(const SYSTEMTIME& today) const {
    std::wstring folder = RecordFolder();
    if (folder.empty() || !CreateFolderTree(folder)) return {};
    std::wstring stem = JoinPath(folder, RecordDateText(today)) + L"_";
    for (int n = 1; n <= 1000; ++n) {
        std::wstring candidate = stem + Format(L"%.3d", n) + kRecordExt;
        if (!PathExists(candidate)) return candidate;
    }
    // Every counter is taken: the first record is overwritten by the save.
    return stem + L"001" + kRecordExt;
}

std::wstring TRecordStore::NewRecordName() const {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return NewRecordName(now);
}

std::vector<std::wstring> TRecordStore::RecordFileNames() const {
    std::vector<std::wstring> names;
    std::wstring folder = RecordFolder();
    if (folder.empty()) return names;
    WIN32_FIND_DATAW fd;
    unique_hfind find(::FindFirstFileW(LongPathForm(JoinPath(folder, L"*.*")).c_str(), &fd));
    if (!find) return names;
    int looked = 0;
    do {
        if (++looked > kWalkLimit) break;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::wstring name = fd.cFileName;
        if (EqualsNoCase(ExtensionOf(name), kRecordExt)) names.push_back(name);
    } while (::FindNextFileW(find.get(), &fd));
    std::vector<std::pair<std::wstring, std::wstring>> keyed;
    keyed.reserve(names.size());
    for (auto& n : names) keyed.emplace_back(RecordDateKey(n), std::move(n));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    names.clear();
    for (auto& k : keyed) names.push_back(std::move(k.second));
    return names;
}

bool TRecordStore::ListRecords() {
    std::vector<std::wstring> names = RecordFileNames();
    list_.Clear();
    std::wstring current = FileNameOf(currentRecordPath_);
    int cursor = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        list_.Add(RecordName(names[i]));
        if (cursor < 0 && !current.empty() && EqualsNoCase(names[i], current)) cursor = static_cast<int>(i);
    }
    if (cursor >= 0) list_.SelectOnly(cursor);
    return !names.empty();
}

TPumpFn TRecordStore::ThrottledPump() {
    // Letting messages run after every element would cost more than the load itself
    // under heavy records; every 30 ms keeps the window responsive.
    return [this, last = ::GetTickCount()]() mutable {
        DWORD now = ::GetTickCount();
        if (now - last < 30) return;
        last = now;
        progress_.Pump();
    };
}

void TRecordStore::SelectRecord() {
    searching_ = false;  // the trees show a record again
    treeRebuild_ = true;
    int cursor = list_.Cursor();
    if (cursor < 0 || cursor >= list_.Count()) {
        treeRebuild_ = false;
        return;
    }
    host_.ShowSearchEntry();
    host_.HoldTreeRepaints(true);
    scope_exit release([this] { host_.HoldTreeRepaints(false); });
    std::wstring folder = RecordFolder();
    currentRecordPath_ = EntryPath(list_.Text(cursor));
    host_.SetStatusTexts(L"   File Name :" + currentRecordPath_ + L" selected.", L" Location :" + folder);
    model_.ClearTrees();
    try {
        std::wstring imageFile = SideFile(currentRecordPath_, kImageFileExt);
        if (IsExistingFile(imageFile)) {
            if (auto bytes = ReadFileBytes(imageFile)) {
                if (HIMAGELIST list = ParseImageFile(*bytes)) model_.SetImages(list);
            }
        }
        if (IsExistingFile(currentRecordPath_)) {
            model_.items.Clear();
            progress_.Pump();
            ReadTreeFile(currentRecordPath_, model_, ThrottledPump());
            model_.RebuildCategoryTrees(ThrottledPump());
        }
    } catch (const std::exception& e) {
        // A damaged record ends the load; whatever was read stays.
        ReportFault(L"select record", e.what());
    }
    ReadExpansionFile(SideFile(currentRecordPath_, kExpansionFileExt), model_);
    host_.TreesChanged();
    release.release();
    host_.HoldTreeRepaints(false);
    progress_.ShowProgress(false);
    try {
        if (settingsStore_) settingsStore_->User().WriteInteger(keys::kSectionDefault, keys::LbRECs, cursor);
    } catch (const TSettingsWriteError&) {
        // The settings file refused the write; the record is loaded all the same.
    }
    treeRebuild_ = false;
}

bool TRecordStore::SaveRecordTo(const std::wstring& path) {
    if (searching_) return false;
    // The three files are written whole beside their targets first and moved in
    // only when all three were written, so a failed or interrupted save leaves
    // the previous record as it was. The tree file, which makes the record,
    // goes in last.
    TReplacingFile tree(path);
    TReplacingFile images(SideFile(path, kImageFileExt));
    TReplacingFile expansion(SideFile(path, kExpansionFileExt));
    model_.items.onPathRead = [this](const std::wstring& p) { progress_.SetHint(p); };
    bool written = WriteTreeFile(tree, model_, appPath_) && tree.Finish(TDurability::Flush);
    model_.items.onPathRead = nullptr;
    if (!written) return false;
    // Losing a side file only costs images or expansion states, so they skip
    // the wait for the disk.
    std::optional<std::string> imageBytes;
    if (model_.Images() && !((imageBytes = BuildImageFile(model_.Images())) && images.Write(*imageBytes) &&
                             images.Finish(TDurability::NoFlush)))
        return false;
    if (!(expansion.Write(EncodeListText(ExpansionLines(model_.all))) && expansion.Finish(TDurability::NoFlush)))
        return false;
    if ((imageBytes && !images.MoveIntoPlace()) || !expansion.MoveIntoPlace() || !tree.MoveIntoPlace()) return false;
    ListRecords();
    return true;
}

bool TRecordStore::EnsureTargetFolder() {
    if (CreateFolderTree(FolderOf(currentRecordPath_))) return true;
    if (!host_.RunSettingsDialog()) return false;
    currentRecordPath_ = JoinPath(RecordFolder(), FileNameOf(currentRecordPath_));
    return CreateFolderTree(FolderOf(currentRecordPath_));
}

bool TRecordStore::SaveOpenRecord(TSaveRule rule) {
    if (searching_) return false;
    switch (rule) {
        case TSaveRule::Keep: break;
        case TSaveRule::New: currentRecordPath_ = NewRecordName(); break;
        case TSaveRule::Selected: {
            int cursor = list_.Cursor();
            currentRecordPath_ = list_.Count() > 0 && cursor >= 0 && cursor < list_.Count()
                                     ? EntryPath(list_.Text(cursor))
                                     : NewRecordName();
            break;
        }
    }
    if (currentRecordPath_.empty() || !EnsureTargetFolder()) return false;
    if (SaveRecordTo(currentRecordPath_)) return true;
    // The folder cannot take the record: fall back to the default folder for the
    // rest of this run without changing the stored setting.
    settings_.record.recPath = NormaliseFolderPath(defaultFolder_);
    return false;
}

void TRecordStore::SaveSelectedRecord() {
    if (searching_) return;
    if (list_.Count() == 0) {
        SaveOpenRecord(TSaveRule::Selected);
        return;
    }
    int cursor = list_.Cursor();
    if (cursor < 0 || cursor >= list_.Count()) return;
    currentRecordPath_ = EntryPath(list_.Text(cursor));
    if (!SaveRecordTo(currentRecordPath_)) settings_.record.recPath = NormaliseFolderPath(defaultFolder_);
}

void TRecordStore::DeleteSelectedRecords() {
    if (!host_.Confirm(L"Are you sure you want to delete selected record?")) return;
    progress_.ClearStopRequest();
    progress_.ShowProgress(true);
    progress_.SetGauge(0, 0);
    model_.ClearAll();
    host_.TreesChanged();
    std::vector<std::wstring> files;
    for (int i : list_.Selected()) files.push_back(EntryPath(list_.Text(i)));
    int done = 0;
    for (const std::wstring& path : files) {
        progress_.Pump();
        if (progress_.StopRequested()) break;
        progress_.SetHint(L"Deleting " + path);
        Recycle(path);
        Recycle(SideFile(path, kExpansionFileExt));
        Recycle(SideFile(path, kImageFileExt));
        progress_.SetGauge(++done, static_cast<int>(files.size()));
    }
    ListRecords();
    progress_.SetHint(L"");
    progress_.ShowProgress(false);
    progress_.SetGauge(0, 0);
}

void TRecordStore::RenameSelectedRecord() {
    int cursor = list_.Cursor();
    if (cursor < 0 || cursor >= list_.Count()) return;
    std::wstring entry = list_.Text(cursor);
    std::optional<std::wstring> entered = host_.AskNewName(entry);
    if (!entered) return;
    // A name that could reach outside the record folder renames nothing.
    std::wstring newPath = RecordPathFor(*entered);
    if (newPath.empty()) return;
    std::wstring oldPath = EntryPath(entry);
    if (EqualsNoCase(oldPath, newPath) && oldPath == newPath) return;
    bool sameFile = EqualsNoCase(oldPath, newPath);
    if (!sameFile && PathExists(newPath) &&
        !host_.Confirm(newPath + L" is already exists.\r\nDo you want to replace it?"))
        return;
    DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (!::MoveFileExW(LongPathForm(oldPath).c_str(), LongPathForm(newPath).c_str(), flags)) return;
    for (const wchar_t* ext : {kExpansionFileExt, kImageFileExt}) {
        std::wstring from = SideFile(oldPath, ext), to = SideFile(newPath, ext);
        if (PathExists(from))
            ::MoveFileExW(LongPathForm(from).c_str(), LongPathForm(to).c_str(), flags);
        else if (!sameFile)
            ::DeleteFileW(LongPathForm(to).c_str());  // the replaced record's side file must not linger
    }
    currentRecordPath_ = newPath;
    ListRecords();
}

void TRecordStore::NodeExpansionChanged(TTreeNode* node, bool expanded) {
    if (!node) return;
    node->SetExpanded(expanded);
    if (model_.items.IsValid(node->Index())) model_.items.At(node->Index()).expanded = expanded;
    if (treeRebuild_ || searching_ || currentRecordPath_.empty() || node->Level() != 0) return;
    WriteExpansionFile(SideFile(currentRecordPath_, kExpansionFileExt), model_.all);
}

void TRecordStore::TreeExpansionChanged() {
    model_.all.ForEachNode([this](TTreeNode* n) {
        if (model_.items.IsValid(n->Index())) model_.items.At(n->Index()).expanded = n->Expanded();
    });
    if (treeRebuild_ || searching_ || currentRecordPath_.empty()) return;
    WriteExpansionFile(SideFile(currentRecordPath_, kExpansionFileExt), model_.all);
}

}  // namespace qm
