// The system's file-open dialog: how the user picks a program or document.
#pragma once
#include <windows.h>

#include <string>

namespace qm {

// Asks for an existing file, starting in the folder of initialPath when it
// names one. Returns the chosen file's full path, or an empty text when the
// user cancels or the dialog fails.
std::wstring ChooseFile(HWND owner, const std::wstring& initialPath);

}  // namespace qm
