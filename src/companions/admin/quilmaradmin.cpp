// quilmaradmin.exe: the elevation launcher. It shows its window for about a
// second, then starts the main program beside it elevated (or the system's
// Open With dialog for a file it is handed) and ends.
#include <windows.h>

#include "base/com.h"
#include "base/system.h"
#include "companions/admin/adminwindow.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    qm::TComApartment com;  // the shell's elevated start may go through COM
    qm::TAdminLauncherWindow window(qm::CommandLineArguments(::GetCommandLineW()), qm::TAdminLaunchSeams::Real());
    if (!window.Create()) return 1;
    window.Show();
    MSG m;
    while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    return 0;
}
