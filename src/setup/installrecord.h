// What the setup program wrote: the files it put down (programs, shortcuts,
// DLLs), the folders and registry keys it created and the values it set. It is
// kept under the product key, where only an administrator can change it, so
// the uninstaller removes exactly that and nothing the user or another program
// keeps beside it.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "base/registry.h"

namespace qm {

enum class TRecordKind { File, Folder, Key, Value };

struct TRecordEntry {
    TRecordKind kind = TRecordKind::File;
    TRegView view = TRegView::Native;  // keys and values: Bits32 or Bits64
    std::wstring path;                 // a full file or folder path, or a key path under HKEY_LOCAL_MACHINE
    std::wstring name;                 // values: the value's name (empty: the default value)
    friend bool operator==(const TRecordEntry&, const TRecordEntry&) = default;
};

// The view a key written in this view lands in: Bits32 or Bits64.
TRegView ResolvedView(TRegView view);

class TInstallRecord {
public:
    void AddFile(const std::wstring& path);
    void AddFolder(const std::wstring& path);
    void AddFolders(const std::vector<std::wstring>& paths);
    void AddKey(TRegView view, const std::wstring& path);
    void AddKeys(TRegView view, const std::vector<std::wstring>& paths);
    void AddValue(TRegView view, const std::wstring& path, const std::wstring& name);
    // Adds the other record's entries that this one lacks, in their order.
    void Merge(const TInstallRecord& other);

    const std::vector<TRecordEntry>& Entries() const { return entries_; }
    std::vector<TRecordEntry> Of(TRecordKind kind) const;
    bool Empty() const { return entries_.empty(); }

    // One line an entry: "file", "folder", "key" or "value", then the view
    // ("32" or "64") for keys and values, the path and, for values, the name,
    // separated by tabs. A line that is not one of these is skipped.
    std::vector<std::wstring> Lines() const;
    static TInstallRecord FromLines(const std::vector<std::wstring>& lines);

private:
    void Add(TRecordEntry entry);
    std::vector<TRecordEntry> entries_;
};

// Writes a string value below place and notes it, and the keys it created,
// in the record (when there is one). True when it was written.
bool PutRecordedString(const TRegistryPlace& place, const std::wstring& path, const std::wstring& name,
                       const std::wstring& data, TInstallRecord* record);

// The record under the product key (value "InstallRecord"); nothing when none is there.
inline constexpr wchar_t kInstallRecordValue[] = L"InstallRecord";
std::optional<TInstallRecord> LoadInstallRecord(HKEY root, TRegView view);
// Writes the record; the keys this creates and the value itself join the
// record first, so it names its own place too.
bool SaveInstallRecord(HKEY root, TRegView view, TInstallRecord& record);

}  // namespace qm
