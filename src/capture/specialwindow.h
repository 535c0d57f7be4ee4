// Windows that stand for shell places rather than programs: the special-window
// recogniser (classify and launch modes), the photo viewer, control-panel
// applets and shell places opened by CSIDL.
#pragma once
#include <windows.h>

#include <string>

namespace qm {

// Classify mode (launch false) only decides and rewrites; launch mode also opens
// the place. 0: an ordinary window/item; 1: handled (a shell place); 2: title and
// path were rewritten (photo viewer, control-panel applet).
int RecogniseSpecialWindow(std::wstring& title, std::wstring& path, bool launch);

}  // namespace qm
