// QuilmarUninstall.exe: removes the installation it stands in, optionally with
// the settings and the records, and then deletes itself.
#include <windows.h>
#include <commctrl.h>

#include "base/com.h"
#include "companions/uninstall/frmuninstall.h"
#include "companions/uninstall/selfdelete.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace qm;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    TOleApartment ole;  // shell links and the recycle bin
    TFrmUninstall window(TUninstallSeams::Real(), &StartSelfDeletion);
    if (!window.Create()) return 1;
    window.Show();
    MSG m;
    while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (window.Handle() && ::IsDialogMessageW(window.Handle(), &m)) continue;
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    return 0;
}
