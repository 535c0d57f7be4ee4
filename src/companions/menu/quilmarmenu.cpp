// quilmarmenu.exe: the Send To target. Windows starts it with the chosen files
// as its arguments; it hands them to the main program beside it and ends.
#include <windows.h>

#include "base/files.h"
#include "base/system.h"
#include "companions/menu/handover.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    qm::HandOverPaths(qm::CommandLineArguments(::GetCommandLineW()), qm::ModuleFolder(), nullptr);
    return 0;
}
