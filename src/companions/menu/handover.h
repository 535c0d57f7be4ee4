// The hand-over of paths chosen in Explorer (the Send To target and the
// context-menu handler) to the main program: the paths go into the
// context-menu file, and the main program beside the caller is started with
// "/ctmenu". When the main program already runs, the copy started here hands
// the paths to it and ends, so no running copy has to be ended for it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace qm {

// Writes the paths (when there are any) to the context-menu file in the user
// data folder, one a line in the list format, and starts programFolder +
// "quilmar.exe" with "/ctmenu". Returns whether the main program was started;
// a file that cannot be written is no reason not to start it (it then reads
// what an earlier hand-over left).
bool HandOverPaths(const std::vector<std::wstring>& paths, const std::wstring& programFolder, HWND owner);

// The context-menu file: the user data folder + "ctmenu.txt".
std::wstring ContextMenuFile();

}  // namespace qm
