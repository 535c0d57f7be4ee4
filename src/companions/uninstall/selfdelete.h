// The uninstaller's removal of its own file, which cannot go while it runs: a
// batch file in the temporary folder, started without a window, deletes the
// file once the uninstaller has ended (a bounded number of tries, a second
// apart), then the folders it stood in when they are empty, then itself. The
// batch holds no path: cmd reads a batch file in the console code page, which
// may not spell the folder's name, so the paths come in its environment.
#pragma once
#include <string>
#include <vector>

namespace qm {

inline constexpr int kSelfDeleteTries = 30;

// The batch text for that many folders; the file is %QM_DELETE_FILE%, the
// folders %QM_DELETE_FOLDER1% and on, innermost first.
std::string SelfDeletionBatch(size_t folderCount, int tries = kSelfDeleteTries);

// The variables "NAME=value" the batch reads, in the order above.
std::vector<std::wstring> SelfDeletionVariables(const std::wstring& file, const std::vector<std::wstring>& folders);

// Writes the batch to a new file "uis....bat" of the temporary folder (the
// ".tmp" file the name came with is removed) and starts it with cmd.exe
// without a window, from the temporary folder. True when it was started.
bool StartSelfDeletion(const std::wstring& file, const std::vector<std::wstring>& folders);

}  // namespace qm
