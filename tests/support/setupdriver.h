// Driving the real setup program and uninstaller through their windows, and
// clearing an installation away whatever state a failed test left it in.
#pragma once
#include <windows.h>

#include <string>

#include "base/processes.h"
#include "base/registry.h"
#include "companions/uninstall/uninstaller.h"
#include "setup/setupnames.h"
#include "setup/setupwindow.h"
#include "support/installation.h"
#include "support/process.h"
#include "support/tempdir.h"

namespace qm::test {

// Wine tells a program the Windows version its per-program settings name: the
// setup program is told Windows 10, where it starts the main program directly
// (Wine's Explorer does not start a program it is handed, as Windows 7's route
// would need).
class TWineVersionForProgram {
public:
    TWineVersionForProgram(std::wstring program, const wchar_t* version)
        : key_(L"Software\\Wine\\AppDefaults\\" + program) {
        existed_ = KeyExists(HKEY_CURRENT_USER, key_, TRegView::Native);
        WriteString(HKEY_CURRENT_USER, key_, TRegView::Native, L"Version", version);
    }
    ~TWineVersionForProgram() {
        if (existed_)
            DeleteValue(HKEY_CURRENT_USER, key_, TRegView::Native, L"Version");
        else
            DeleteKeyTree(HKEY_CURRENT_USER, key_, TRegView::Native);
    }

private:
    std::wstring key_;
    bool existed_ = false;
};

struct TSetupChoices {
    bool desktopIcon = true, runAtStartup = true, runNow = true, contextMenu = true, quickLaunch = true;
};

using W = TQuilmarSetupWindow;

// The setup program beside the test program.
inline std::wstring SetupProgram() { return JoinPath(ModuleFolder(), L"quilmarsetup.exe"); }

// Starts the setup program (this build's unless another is named) and waits for its window.
inline Process StartSetup(HWND& window, const std::wstring& program = SetupProgram()) {
    Process setup = Process::Start(program, L"");
    window = setup.Started() ? WaitForShownWindow(W::kClassName, setup.Id(), 60000) : nullptr;
    return setup;
}

// Sets the folder and the options in the window and presses Install.
inline void PressInstall(HWND window, const std::wstring& folder, const TSetupChoices& c) {
    ::SendMessageW(::GetDlgItem(window, W::kIdEdtPicPath), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    const std::pair<int, bool> checks[] = {{W::kIdCbAddToDeskTop, c.desktopIcon},
                                           {W::kIdCbRunWhenWindowsStart, c.runAtStartup},
                                           {W::kIdCbRunNow, c.runNow},
                                           {W::kIdCbContextMenuEntry, c.contextMenu},
                                           {W::kIdCbQuickStart, c.quickLaunch}};
    for (const auto& [id, on] : checks)
        ::SendMessageW(::GetDlgItem(window, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(W::kIdBtnNext, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, W::kIdBtnNext)));
}

inline std::wstring ControlText(HWND window, int id) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(::GetDlgItem(window, id), text, 1024);
    return text;
}

// Ends every program running from the folder and removes what an installation
// there wrote (through the removal step, in this process), then the folder.
inline void ClearInstallation(const std::wstring& folder) {
    std::vector<std::wstring> programs(std::begin(kInstalledPrograms), std::end(kInstalledPrograms));
    for (TRunningProcess& p : ProcessesInFolder(folder, programs)) {
        ::TerminateProcess(p.handle.get(), 0);
        ::WaitForSingleObject(p.handle.get(), 5000);
    }
    struct THost : IUninstallHost {
        void Advance() override {}
        void Pump() override {}
        bool AskToEndRunning(const std::vector<std::wstring>&) override { return true; }
    } host;
    TUninstallSeams seams = TUninstallSeams::Real();
    seams.installFolder = folder;
    seams.selfPath = folder + kUninstallerFile;
    seams.wait = [](DWORD) {};
    seams.recycleFolder = [](const std::wstring&) { return true; };
    TUninstallOptions options;
    options.clearDefaultSettings = false;
    RunUninstall(options, host, seams);
}

}  // namespace qm::test
