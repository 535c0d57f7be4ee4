// The "&Windows" and "Windows Properties" menus, "Clear My Recent Documents"
// and the log off, restart and shut down commands, as the main window runs
// them: each command stands for one shell place or system call.
#pragma once
#include <windows.h>

#include "replay/shellplaces.h"

namespace qm {

class TSystemCommands {
public:
    explicit TSystemCommands(TShellPlaceSeams seams = TShellPlaceSeams::Real()) : seams_(std::move(seams)) {}

    // Runs the command when it is one of these; true when it was.
    bool Run(unsigned command, HWND owner);
    // The command opens a shell place or a settings page: it touches no
    // record and may run while a long operation holds the window.
    static bool IsShellPlaceCommand(unsigned command);

    TShellPlaceSeams& Seams() { return seams_; }

private:
    TShellPlaceSeams seams_;
};

}  // namespace qm
