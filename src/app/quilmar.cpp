// quilmar.exe: one instance per installed copy. A second start hands its command
// line to the running copy and ends; the first creates the main window.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <system_error>

#include "app/entries.h"
#include "app/handoff.h"
#include "app/instance.h"
#include "app/mainwindow.h"
#include "app/product.h"
#include "base/com.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/strings.h"
#include "records/settings.h"

namespace {

int RunMessageLoop(qm::TQuilmarWindow& window) {
    MSG m;
    while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (window.Handle() && window.PreTranslate(m)) continue;
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    using namespace qm;
    std::vector<std::wstring> args = CommandLineArguments(::GetCommandLineW());

    TInstanceRegistry registry(InstanceRegistryName(ModulePath()));
    try {
        if (registry.AnotherInstanceRunning(nullptr, 1)) {
            SendHandoff(args, UserDataFolder());
            return 0;
        }
    } catch (const std::system_error& e) {
        Effects().messageBox(nullptr, Utf8ToWide(e.what()), kProductName, MB_ICONERROR | MB_OK);
        return 1;
    }

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_USEREX_CLASSES};
    ::InitCommonControlsEx(&icc);

    TSettingsStore store = TSettingsStore::Open(UserDataFolder(), CommonDataFolder());
    SetFaultLog(JoinPath(UserDataFolder(), L"quilmar.log"));
    TStartFlags flags = ParseStartFlags(args);

    if (auto parameter = ElevationRelaunchParameter(args, store.AlwaysRunAsAdmin())) {
        // A missing or refused launcher fails silently; this copy ends either way.
        TShellCall call = ElevationRelaunchCall(ModuleFolder(), *parameter);
        ShellOpen(nullptr, call.verb, call.file, call.parameters, call.show);
        return 0;
    }

    TOleApartment ole;
    TQuilmarWindow window(store, args, flags);
    if (!window.Create()) return 1;
    registry.SetWindow(window.Handle());
    window.ShowFirst(show == SW_SHOWDEFAULT || show == 0 ? SW_SHOWNORMAL : show);
    return RunMessageLoop(window);
}
