#include "app/handoff.h"

#include "app/entries.h"
#include "app/product.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/scope_exit.h"
#include "base/strings.h"

namespace qm {

namespace {

// The recorded-path test marks a known entry; anything else goes to the adder.
// Returns whether something was added.
bool AddOrMark(const std::wstring& location, IEntryTarget& target) {
    if (target.IsRecordedPath(location)) {
        target.MarkAsCurrent(location);
        return false;
    }
    target.AddLocation(location);
    return true;
}

}  // namespace

std::optional<std::vector<std::wstring>> ReadHandoffFile(const std::wstring& handoffFile) {
    return ReadListFile(handoffFile);
}

void HandleHandoffFile(const std::wstring& handoffFile, IEntryTarget& target, IEntryHost& host, IProgress& progress) {
    AddHandoffEntries(ReadHandoffFile(handoffFile), target, host, progress);
}

void AddHandoffEntries(const std::optional<std::vector<std::wstring>>& lines, IEntryTarget& target, IEntryHost& host,
                       IProgress& progress) {
    target.LoadInstalledPrograms();
    progress.Pump();
    host.HoldTreeRepaints(true);
    scope_exit release([&host] { host.HoldTreeRepaints(false); });
    target.ClearLastRecordedPath();
    bool changed = false;
    if (lines) {
        TEntryBatch batch(target);
        for (const std::wstring& line : *lines) {
            if (line.find(L'*') != std::wstring::npos) {
                for (const std::wstring& entry : SplitStarList(line)) {
                    if (IsSkippedSwitch(entry)) continue;
                    std::wstring location = ReplaceBlankMarker(NormaliseLocation(entry));
                    if (location.empty()) continue;
                    changed |= AddOrMark(location, target);
                }
                continue;
            }
            std::wstring text = ReplaceBlankMarker(line);
            if (text.empty() || IsSkippedSwitch(text)) continue;
            std::wstring location = NormaliseLocation(text);
            if (location.empty()) continue;
            changed |= AddOrMark(location, target);
        }
    }
    release.release();
    host.HoldTreeRepaints(false);
    if (changed) host.SaveSelectedRecord();
    host.ShowLastRecordedPath();
}

namespace {

// The context-menu file's lines, each one whole path. Returns whether any line was read.
bool AddContextMenuEntries(const std::wstring& contextMenuFile, IEntryTarget& target) {
    CreateFolderTree(FolderOf(contextMenuFile));
    auto lines = ReadListFile(contextMenuFile);
    if (!lines) return false;
    TEntryBatch batch(target);
    std::wstring last;
    for (const std::wstring& line : *lines) {
        std::wstring location = NormaliseLocation(line);
        if (Trim(location).empty()) continue;
        if (target.CheckIfRecentDocInTreeNode(location))
            target.MarkAsCurrent(location);
        else
            target.AddLocation(location);
        last = location;
    }
    if (!last.empty()) target.SetLastRecordedPath(last);
    return !lines->empty();
}

}  // namespace

void ProcessOwnCommandLine(const std::vector<std::wstring>& args, const std::wstring& contextMenuFile,
                           IEntryTarget& target, IEntryHost& host) {
    host.HoldTreeRepaints(true);
    scope_exit release([&host] { host.HoldTreeRepaints(false); });
    if (!args.empty()) target.LoadInstalledPrograms();
    bool changed = false;
    bool contextMenu = false;
    for (const std::wstring& arg : args) {
        if (arg.empty() || IsSkippedSwitch(arg)) continue;
        if (arg == kSwitchContextMenu) {
            contextMenu = true;
            changed |= AddContextMenuEntries(contextMenuFile, target);
            continue;
        }
        if (arg.find(L'*') == std::wstring::npos) {
            std::wstring location = NormaliseLocation(arg);
            if (location.empty()) continue;
            if (target.CheckIfRecentDocInTreeNode(location)) {
                target.MarkAsCurrent(location);
            } else {
                target.AddLocation(location);
                changed = true;
            }
            continue;
        }
        {
            TEntryBatch batch(target);
            for (const std::wstring& entry : SplitStarList(arg)) {
                if (IsSkippedSwitch(entry) || entry == kSwitchContextMenu) continue;
                std::wstring location = NormaliseLocation(entry);
                if (location.empty()) continue;
                AddOrMark(location, target);
            }
        }
        host.SaveSelectedRecord();
        host.ReselectRecord();
        host.ShowLastRecordedPath();
        changed = true;
    }
    release.release();
    host.HoldTreeRepaints(false);
    if (changed) host.SaveSelectedRecord();
    host.ShowLastRecordedPath();
    if (contextMenu) host.RestoreSmartRecord();
}

bool SendHandoff(const std::vector<std::wstring>& args, const std::wstring& userDataFolder, DWORD waitForWindowMs) {
    CreateFolderTree(userDataFolder);
    std::wstring menuFile = JoinPath(userDataFolder, kContextMenuFileName);
    std::vector<std::wstring> lines = BuildHandoffLines(args, [&]() { return ReadListFile(menuFile); });
    if (!WriteListFile(JoinPath(userDataFolder, kHandoffFileName), lines)) return false;

    // The first copy may still be starting: give its window a few seconds to appear
    // instead of losing the entries.
    HWND target = ::FindWindowW(kMainWindowClass, nullptr);
    for (DWORD waited = 0; !target && waited < waitForWindowMs; waited += 50) {
        ::Sleep(50);
        target = ::FindWindowW(kMainWindowClass, nullptr);
    }
    if (!target) return false;
    COPYDATASTRUCT cds{};
    cds.dwData = 0;
    cds.cbData = sizeof(kHandoffPayload);
    cds.lpData = const_cast<char*>(kHandoffPayload);
    DWORD_PTR answer = 0;
    // The first copy pumps messages while it adds the entries, so only a hung
    // window makes the wait end early.
    LRESULT ok = ::SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                                       SMTO_NORMAL | SMTO_ABORTIFHUNG, 10 * 60 * 1000, &answer);
    return ok != 0 && answer == 1;
}

}  // namespace qm
