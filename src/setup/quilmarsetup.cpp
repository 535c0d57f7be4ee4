// quilmarsetup.exe: installs QuilMar from one window. Everything it installs
// travels in its resources. A copy that lacks administrator rights starts
// itself again elevated ("/runasadmin") and ends.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "base/com.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/system.h"
#include "base/unique_any.h"
#include "base/winversion.h"
#include "setup/installer.h"
#include "setup/setupwindow.h"

namespace {

std::wstring FirstArgument() {
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    qm::unique_hlocal owner(reinterpret_cast<HLOCAL>(argv));
    return argv && count > 1 ? std::wstring(argv[1]) : std::wstring();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace qm;
    if (NeedsElevatedRestart(FirstArgument(), CurrentWindowsVersionName(), IsElevatedAdmin())) {
        // Its result does not matter: this copy ends either way.
        StartElevated(nullptr, ModulePath(), L"/runasadmin");
        return 0;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    // The folder browser's new style needs OLE on this thread.
    TOleApartment ole;
    TQuilmarSetupWindow window;
    if (!window.Create()) return 1;
    window.ShowFirst();
    MSG m;
    while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (window.PreTranslate(m)) continue;
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}
