// QuilmarOpen64Link.exe: a 64-bit program without a window that opens the
// shortcut it is handed and ends. The hand-off file is left in place.
#include <windows.h>

#include "base/com.h"
#include "base/system.h"
#include "companions/linkopener/linkopener.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    qm::TComApartment com;  // the shell resolves the shortcut through COM
    qm::OpenLink(qm::LinkToOpen(qm::CommandLineArguments(::GetCommandLineW()), qm::LinkHandoffFile()));
    return 0;
}
