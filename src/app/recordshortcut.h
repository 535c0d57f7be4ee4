// The desktop shortcut of a record: it starts the program with "/replay" and
// the record's file name, so a double click replays that record.
#pragma once
#include <windows.h>

#include <string>

#include "replay/sendto.h"

namespace qm {

// The shortcut's arguments: "/replay" and the record's file name in quotes.
// A record's file name holds no quote and no backslash, so the program's
// command line gives the name back exactly.
std::wstring ReplayShortcutArguments(const std::wstring& recordFileName);

// The shortcut for a record-list entry: the program, "/replay" with the
// entry's file name, the program's folder as the working folder.
TShortcutSpec ReplayShortcutFor(const std::wstring& programPath, const std::wstring& entry);

// Writes that shortcut into folder, named after the entry (" (2)" and so on
// when the name is taken). S_OK and the file written, or the failure.
HRESULT CreateReplayShortcut(const std::wstring& programPath, const std::wstring& entry, const std::wstring& folder,
                             std::wstring* written = nullptr);

}  // namespace qm
