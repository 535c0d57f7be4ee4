#include "companions/admin/adminlauncher.h"

#include "app/entries.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/productfiles.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/winversion.h"

namespace qm {

namespace {

constexpr wchar_t kContextMenuAdmin[] = L"/ctmenu_admin";

// Starts the main program beside the launcher with the parameter for the arguments.
void StartMainProgram(const std::vector<std::wstring>& args, const TAdminLaunchSeams& seams) {
    const std::wstring program = seams.programFolder + kExeName;
    if (!seams.fileExists || !seams.fileExists(program)) return;  // nothing beside it: nothing starts
    const std::wstring parameter = MainProgramParameter(args);
    const bool elevatingSystem =
        seams.osName == L"windows 7" || seams.osName == L"windows vista" || seams.osName == L"windows unknow";
    if (!elevatingSystem && seams.isAdmin && seams.isAdmin()) {
        ShellOpen(nullptr, L"Open", program, parameter, SW_SHOW);
        return;
    }
    if (seams.runAs) seams.runAs(nullptr, program, parameter);
}

}  // namespace

std::wstring MainProgramParameter(const std::vector<std::wstring>& args) {
    if (!args.empty() && args[0] == kContextMenuAdmin) return CommandLineOf({kSwitchContextMenu, kSwitchRunAsAdmin});
    if (!args.empty() && args[0] == kSwitchRun) return CommandLineOf({kSwitchRunAdmin});
    return CommandLineOf({kSwitchRunAsAdmin});
}

std::wstring LauncherLabel(const std::vector<std::wstring>& args) {
    return args.empty() ? L"Run QuilMar as Administrator..." : L"Open with as administrator...";
}

TAdminLaunchSeams TAdminLaunchSeams::Real() {
    TAdminLaunchSeams s;
    s.programFolder = ModuleFolder();
    s.osName = CurrentWindowsVersionName();
    s.isAdmin = &IsElevatedAdmin;
    s.fileExists = &IsExistingFile;
    s.runAs = &StartElevated;
    return s;
}

void RunAdminLauncher(const std::vector<std::wstring>& args, HWND owner, const TAdminLaunchSeams& seams) {
    if (!args.empty() && (args[0] == kContextMenuAdmin || args[0] == kSwitchRun)) {
        StartMainProgram(args, seams);
        return;
    }
    const std::wstring t = JoinArguments(args);
    if (t.empty() || t == kSwitchRun) {
        StartMainProgram(args, seams);
        return;
    }
    if (seams.fileExists && seams.fileExists(t)) {
        // The system's Open With dialog takes the rest of its line as the file.
        if (ToLower(ExtensionOf(t)) != L".exe")
            ShellOpen(owner, L"open", L"rundll32.exe", L"shell32.dll,OpenAs_RunDLL " + t, SW_SHOWNORMAL);
        return;
    }
    // A folder or a web address: the main program, as it is, without parameters.
    const std::wstring program = seams.programFolder + kExeName;
    if (seams.fileExists && seams.fileExists(program)) ShellOpen(owner, L"Open", program, L"", SW_SHOW);
}

}  // namespace qm
