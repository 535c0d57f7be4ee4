// Turning entries into record items: the second instance's hand-off, the first
// instance's hand-off handler, and the first run's own command line.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/progress.h"
#include "capture/entrytarget.h"

namespace qm {

// The main window's side of entry handling (its progress panel pumps).
class IEntryHost {
public:
    virtual ~IEntryHost() = default;
    virtual void HoldTreeRepaints(bool hold) = 0;
    virtual void SaveSelectedRecord() = 0;
    // Selects the "All" tab and the last recorded path in the tree.
    virtual void ShowLastRecordedPath() = 0;
    // Selects the record under the list cursor again.
    virtual void ReselectRecord() = 0;
    // Sets the Smart Record check box from its stored setting.
    virtual void RestoreSmartRecord() = 0;
};

// The hand-off file's lines, read at once when the message comes (so the next
// hand-off may replace the file); nothing when the file does not exist.
std::optional<std::vector<std::wstring>> ReadHandoffFile(const std::wstring& handoffFile);
// Adds the entries of the hand-off file's lines (the WM_COPYDATA handler's work).
void AddHandoffEntries(const std::optional<std::vector<std::wstring>>& lines, IEntryTarget& target, IEntryHost& host,
                       IProgress& progress);
// Both steps at once.
void HandleHandoffFile(const std::wstring& handoffFile, IEntryTarget& target, IEntryHost& host, IProgress& progress);

// Adds the command line's entries and, with "/ctmenu", the context-menu file's.
void ProcessOwnCommandLine(const std::vector<std::wstring>& args, const std::wstring& contextMenuFile,
                           IEntryTarget& target, IEntryHost& host);

// Second instance: writes the hand-off file from the arguments and sends the
// hand-off message to the main window, waiting for the answer. The window is
// waited for up to waitForWindowMs when the first copy is still starting.
// Returns whether the message was delivered and answered 1.
bool SendHandoff(const std::vector<std::wstring>& args, const std::wstring& userDataFolder,
                 DWORD waitForWindowMs = 5000);

// The hand-off message's payload: "quilmar" and a NUL.
inline constexpr char kHandoffPayload[8] = {'q', 'u', 'i', 'l', 'm', 'a', 'r', '\0'};

}  // namespace qm
