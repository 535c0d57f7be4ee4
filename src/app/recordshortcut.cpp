#include "app/recordshortcut.h"

#include "app/entries.h"
#include "base/files.h"
#include "records/recordstore.h"

namespace qm {

std::wstring ReplayShortcutArguments(const std::wstring& recordFileName) {
    return std::wstring(kSwitchReplay) + L" \"" + recordFileName + L"\"";
}

TShortcutSpec ReplayShortcutFor(const std::wstring& programPath, const std::wstring& entry) {
    TShortcutSpec spec;
    spec.target = programPath;
    spec.arguments = ReplayShortcutArguments(entry + kRecordExt);
    spec.workingFolder = FolderOf(programPath);
    spec.description = entry;
    return spec;
}

HRESULT CreateReplayShortcut(const std::wstring& programPath, const std::wstring& entry, const std::wstring& folder,
                             std::wstring* written) {
    return CreateShortcut(ReplayShortcutFor(programPath, entry), entry, folder, written);
}

}  // namespace qm
