#include "records/recordstore.h"

#include <shellapi.h>

#include <algorithm>

#include "base/files.h"
#include "base/pathtext.h"
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

std::wstring RecordDateText(const SYSTEMTIME& day) {
    int m = std::clamp<int>(day.wMonth, 1, 12) - 1;
    return Format(L"%ls %02u,%04u", kMonths[m], day.wDay, day.wYear);
}

TRecordStore::TRecordStore(TRecordModel& model, TSettings& settings, TSettingsStore* settingsStore, IRecordList& list,
                           IStoreHost& host, std::wstring appPath, std::wstring defaultFolder)
    : model_(model),
      settings_(settings),
      settingsStore_(settingsStore),
      list_(list),
      host_(host),
      appPath_(std::move(appPath)),
      defaultFolder_(std::move(defaultFolder)) {}

std::wstring TRecordStore::RecordFolder() const { return NormaliseFolderPath(settings_.record.recPath); }

std::wstring TRecordStore::SideFile(const std::wstring& recordPath, const wchar_t* ext) {
    return ChangeExtension(recordPath, ext);
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
        host_.Pump();
    };
}

void TRecordStore::SelectRecord() {
    treeRebuild_ = true;
    int cursor = list_.Cursor();
    if (cursor < 0 || cursor >= list_.Count()) {
        treeRebuild_ = false;
        return;
    }
    host_.ShowSearchEntry();
    host_.HoldTreeRepaints(true);
    std::wstring folder = RecordFolder();
    currentRecordPath_ = folder + list_.Text(cursor) + kRecordExt;
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
            host_.Pump();
            ReadTreeFile(currentRecordPath_, model_, ThrottledPump());
            model_.RebuildCategoryTrees(ThrottledPump());
        }
    } catch (...) {
        // A damaged record ends the load; whatever was read stays.
    }
    ReadExpansionFile(SideFile(currentRecordPath_, kExpansionFileExt), model_);
    host_.TreesChanged();
    host_.HoldTreeRepaints(false);
    host_.ShowProgress(false);
    try {
        if (settingsStore_) settingsStore_->User().WriteInteger(keys::kSectionDefault, keys::LbRECs, cursor);
    } catch (const TSettingsWriteError&) {
        // The settings file refused the write; the record is loaded all the same.
    }
    treeRebuild_ = false;
}

bool TRecordStore::SaveRecordTo(const std::wstring& path) {
    // Each file is written whole beside its target and then moved over it, so a
    // failed or interrupted save leaves the previous files as they were.
    model_.items.onPathRead = [this](const std::wstring& p) { host_.SetHint(p); };
    bool ok = WriteTreeFile(path, model_, appPath_);
    model_.items.onPathRead = nullptr;
    if (!ok) return false;
    if (model_.Images() && !WriteImageFile(SideFile(path, kImageFileExt), model_.Images())) return false;
    if (!WriteExpansionFile(SideFile(path, kExpansionFileExt), model_.all)) return false;
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
    switch (rule) {
        case TSaveRule::Keep: break;
        case TSaveRule::New: currentRecordPath_ = NewRecordName(); break;
        case TSaveRule::Selected: {
            int cursor = list_.Cursor();
            currentRecordPath_ = list_.Count() > 0 && cursor >= 0 && cursor < list_.Count()
                                     ? RecordFolder() + list_.Text(cursor) + kRecordExt
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
    if (list_.Count() == 0) {
        SaveOpenRecord(TSaveRule::Selected);
        return;
    }
    int cursor = list_.Cursor();
    if (cursor < 0 || cursor >= list_.Count()) return;
    currentRecordPath_ = RecordFolder() + list_.Text(cursor) + kRecordExt;
    if (!SaveRecordTo(currentRecordPath_)) settings_.record.recPath = NormaliseFolderPath(defaultFolder_);
}

void TRecordStore::DeleteSelectedRecords() {
    if (!host_.Confirm(L"Are you sure you want to delete selected record?")) return;
    host_.ClearStopRequest();
    host_.ShowProgress(true);
    host_.SetGauge(0, 0);
    model_.ClearAll();
    host_.TreesChanged();
    std::wstring folder = RecordFolder();
    std::vector<std::wstring> files;
    for (int i : list_.Selected()) files.push_back(list_.Text(i) + kRecordExt);
    int done = 0;
    for (const std::wstring& name : files) {
        host_.Pump();
        if (host_.StopRequested()) break;
        std::wstring path = folder + name;
        host_.SetHint(L"Deleting " + path);
        Recycle(path);
        Recycle(SideFile(path, kExpansionFileExt));
        Recycle(SideFile(path, kImageFileExt));
        host_.SetGauge(++done, static_cast<int>(files.size()));
    }
    ListRecords();
    host_.SetHint(L"");
    host_.ShowProgress(false);
    host_.SetGauge(0, 0);
}

void TRecordStore::RenameSelectedRecord() {
    int cursor = list_.Cursor();
    if (cursor < 0 || cursor >= list_.Count()) return;
    std::wstring entry = list_.Text(cursor);
    std::optional<std::wstring> entered = host_.AskNewName(entry);
    if (!entered) return;
    std::wstring name = Trim(*entered);
    if (name.empty()) return;
    std::wstring folder = RecordFolder();
    std::wstring oldPath = folder + entry + kRecordExt;
    std::wstring newPath = folder + name;
    if (!EndsWithNoCase(newPath, kRecordExt)) newPath += kRecordExt;
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
    currentRecordPath_ = folder + FileNameOf(newPath);
    ListRecords();
}

void TRecordStore::NodeExpansionChanged(TTreeNode* node, bool expanded) {
    if (!node) return;
    node->SetExpanded(expanded);
    if (model_.items.IsValid(node->Index())) model_.items.At(node->Index()).expanded = expanded;
    if (treeRebuild_ || currentRecordPath_.empty() || node->Level() != 0) return;
    WriteExpansionFile(SideFile(currentRecordPath_, kExpansionFileExt), model_.all);
}

}  // namespace qm
