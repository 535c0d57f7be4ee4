#include "setup/installrecord.h"

#include <algorithm>

#include "base/strings.h"
#include "setup/setupnames.h"

namespace qm {

namespace {

const wchar_t* KindWord(TRecordKind kind) {
    switch (kind) {
        case TRecordKind::File: return L"file";
        case TRecordKind::Folder: return L"folder";
        case TRecordKind::Key: return L"key";
        default: return L"value";
    }
}

bool HasView(TRecordKind kind) { return kind == TRecordKind::Key || kind == TRecordKind::Value; }

}  // namespace

TRegView ResolvedView(TRegView view) {
    if (view != TRegView::Native) return view;
    return sizeof(void*) == 8 ? TRegView::Bits64 : TRegView::Bits32;
}

void TInstallRecord::Add(TRecordEntry entry) {
    if (entry.path.empty()) return;
    if (HasView(entry.kind)) {
        entry.view = ResolvedView(entry.view);
        entry.path = RegistryPath(entry.path);
    } else {
        entry.view = TRegView::Native;
    }
    auto same = [&](const TRecordEntry& e) {
        return e.kind == entry.kind && e.view == entry.view && EqualsNoCase(e.path, entry.path) &&
               EqualsNoCase(e.name, entry.name);
    };
    if (std::none_of(entries_.begin(), entries_.end(), same)) entries_.push_back(std::move(entry));
}

void TInstallRecord::AddFile(const std::wstring& path) { Add({TRecordKind::File, TRegView::Native, path, {}}); }
void TInstallRecord::AddFolder(const std::wstring& path) { Add({TRecordKind::Folder, TRegView::Native, path, {}}); }
void TInstallRecord::AddFolders(const std::vector<std::wstring>& paths) {
    for (const std::wstring& p : paths) AddFolder(p);
}
void TInstallRecord::AddKey(TRegView view, const std::wstring& path) { Add({TRecordKind::Key, view, path, {}}); }
void TInstallRecord::AddKeys(TRegView view, const std::vector<std::wstring>& paths) {
    for (const std::wstring& p : paths) AddKey(view, p);
}
void TInstallRecord::AddValue(TRegView view, const std::wstring& path, const std::wstring& name) {
    Add({TRecordKind::Value, view, path, name});
}

void TInstallRecord::Merge(const TInstallRecord& other) {
    for (const TRecordEntry& e : other.entries_) Add(e);
}

std::vector<TRecordEntry> TInstallRecord::Of(TRecordKind kind) const {
    std::vector<TRecordEntry> out;
    std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(out),
                 [kind](const TRecordEntry& e) { return e.kind == kind; });
    return out;
}

std::vector<std::wstring> TInstallRecord::Lines() const {
    std::vector<std::wstring> lines;
    for (const TRecordEntry& e : entries_) {
        std::wstring line = KindWord(e.kind);
        if (HasView(e.kind)) line += e.view == TRegView::Bits64 ? L"\t64" : L"\t32";
        line += L"\t" + e.path;
        if (e.kind == TRecordKind::Value) line += L"\t" + e.name;
        lines.push_back(std::move(line));
    }
    return lines;
}

TInstallRecord TInstallRecord::FromLines(const std::vector<std::wstring>& lines) {
    TInstallRecord record;
    for (const std::wstring& line : lines) {
        std::vector<std::wstring> parts = SplitAt(line, L'\t');
        if (parts.empty()) continue;
        TRecordEntry e;
        const std::wstring& kind = parts[0];
        size_t wanted = 0;
        if (kind == L"file") {
            e.kind = TRecordKind::File;
            wanted = 2;
        } else if (kind == L"folder") {
            e.kind = TRecordKind::Folder;
            wanted = 2;
        } else if (kind == L"key") {
            e.kind = TRecordKind::Key;
            wanted = 3;
        } else if (kind == L"value") {
            e.kind = TRecordKind::Value;
            wanted = 4;
        } else {
            continue;
        }
        if (parts.size() != wanted) continue;
        size_t at = 1;
        if (HasView(e.kind)) {
            if (parts[1] != L"32" && parts[1] != L"64") continue;
            e.view = parts[1] == L"64" ? TRegView::Bits64 : TRegView::Bits32;
            at = 2;
        }
        e.path = parts[at];
        if (e.kind == TRecordKind::Value) e.name = parts[at + 1];
        if (Trim(e.path).empty()) continue;
        record.Add(std::move(e));
    }
    return record;
}

bool PutRecordedString(const TRegistryPlace& place, const std::wstring& path, const std::wstring& name,
                       const std::wstring& data, TInstallRecord* record) {
    std::vector<std::wstring> created;
    bool ok = WriteString(place.root, path, place.view, name, data, &created);
    if (record) {
        record->AddKeys(place.view, created);
        if (ok) record->AddValue(place.view, path, name);
    }
    return ok;
}

std::optional<TInstallRecord> LoadInstallRecord(HKEY root, TRegView view) {
    std::optional<std::vector<std::wstring>> lines = ReadMultiString(root, ProductKeyPath(), view, kInstallRecordValue);
    if (!lines) return std::nullopt;
    return TInstallRecord::FromLines(*lines);
}

bool SaveInstallRecord(HKEY root, TRegView view, TInstallRecord& record) {
    std::vector<std::wstring> created;
    if (!CreateKeyPath(root, ProductKeyPath(), view, &created)) return false;
    record.AddKeys(view, created);
    record.AddValue(view, ProductKeyPath(), kInstallRecordValue);
    return WriteMultiString(root, ProductKeyPath(), view, kInstallRecordValue, record.Lines());
}

}  // namespace qm
