// How the command line, the hand-off file and the context-menu file carry
// entries: "*"-ended lists, the "?|?" blank marker, and the switches.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/system.h"

namespace qm {

// Switches are compared exactly, with their case.
inline constexpr wchar_t kSwitchRun[] = L"/run";
inline constexpr wchar_t kSwitchRunAdmin[] = L"/run_admin";
inline constexpr wchar_t kSwitchRunAsAdmin[] = L"/runasadmin";
inline constexpr wchar_t kSwitchInstall[] = L"/install";
inline constexpr wchar_t kSwitchContextMenu[] = L"/ctmenu";
// "/replay" and a record's file name: replay that record once.
inline constexpr wchar_t kSwitchReplay[] = L"/replay";

// "/run", "/install", "/runasadmin" or "/run_admin": never an entry.
bool IsSkippedSwitch(const std::wstring& text);

// Splits a "*" list: each entry is ended by "*", text after the last "*" is not
// an entry; entries are trimmed, empty ones dropped, at most 5000 taken.
std::vector<std::wstring> SplitStarList(const std::wstring& text);

// "?|?" stands for a blank in the hand-off file.
std::wstring ReplaceBlankMarker(const std::wstring& text);

// The "/replay" switch of a start or a hand-off, taken out of its arguments.
struct TReplaySwitch {
    std::optional<std::wstring> record;  // the record's file name, as it was given
    std::vector<std::wstring> entries;   // the other arguments, in order
};
// "/replay" followed by an argument that is a plain record name (with or
// without ".quilmar": no folder part, no "..", no drive, no device) for which
// recordExists answers true is the switch; the first such pair names the
// record, a later one is dropped too (a start replays once). A "/replay"
// that is last, or is followed by anything else, stays an entry, and so does
// what follows it; only plain names are ever looked up, so nothing outside
// the record folder is read as a record.
TReplaySwitch TakeReplaySwitch(const std::vector<std::wstring>& args,
                               const std::function<bool(const std::wstring& recordFile)>& recordExists);

// Process-wide flags from the command line, set once before the window exists.
struct TStartFlags {
    bool startedElevated = false;        // last argument "/runasadmin"
    bool startedAtWindowsStart = false;  // first argument "/run" or "/run_admin"
    bool installRequested = false;       // last argument "/install"
};
TStartFlags ParseStartFlags(const std::vector<std::wstring>& args);

// The parameter string for the elevation launcher when the program must relaunch
// elevated: "AlwaysRunAsAdmin" is on and the last argument (trimmed) is none of
// "/runasadmin", "/ctmenu" and "/run_admin". The parameter is the first argument
// (empty without arguments). Nothing when no relaunch is wanted.
std::optional<std::wstring> ElevationRelaunchParameter(const std::vector<std::wstring>& args, bool alwaysRunAsAdmin);

// The lines a second instance hands over: every argument except the skipped
// switches; "/ctmenu" replaces what was collected with the context-menu file's
// lines (readContextMenu; nothing when the file is missing) and ends the scan.
template <class ReadLines>
std::vector<std::wstring> BuildHandoffLines(const std::vector<std::wstring>& args, ReadLines readContextMenu) {
    std::vector<std::wstring> lines;
    for (const auto& a : args) {
        if (IsSkippedSwitch(a)) continue;
        if (a == kSwitchContextMenu) {
            std::optional<std::vector<std::wstring>> menu = readContextMenu();
            lines = menu ? std::move(*menu) : std::vector<std::wstring>{};
            break;
        }
        lines.push_back(a);
    }
    return lines;
}

}  // namespace qm

namespace qm {

// A shell start as ShellExecute takes it.
struct TShellCall {
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    int show = 1;
};

// Starting the elevation launcher from the program's folder with the parameter.
TShellCall ElevationRelaunchCall(const std::wstring& programFolder, const std::wstring& parameter);

}  // namespace qm
