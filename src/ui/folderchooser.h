// The shell's folder browser, opened on a given folder: how the user picks a
// record folder or a send-to target.
#pragma once
#include <windows.h>

#include <string>

namespace qm {

// Asks for a file-system folder. The caption is shown above the folder tree.
// The browser starts on initialFolder, or on the Program Files folder when that
// is empty or not an existing folder. Returns the chosen folder's path, or an
// empty text when the user cancels, picks something that is not a file-system
// folder, or anything fails.
std::wstring ChooseFolder(HWND owner, const std::wstring& caption, const std::wstring& initialFolder);

}  // namespace qm
