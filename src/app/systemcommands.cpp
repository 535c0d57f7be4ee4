#include "app/systemcommands.h"

#include "app/commands.h"
#include "base/guarded.h"

namespace qm {

namespace {

struct TPlaceCommand {
    unsigned command;
    TShellPlace place;
};

constexpr TPlaceCommand kPlaceCommands[] = {
    {CmMyComputer, TShellPlace::MyComputer},
    {CmMyDocuments, TShellPlace::MyDocuments},
    {CmToggleDesktop, TShellPlace::ToggleDesktop},
    {CmDesktopFolder, TShellPlace::DesktopFolder},
    {CmRecycleBin, TShellPlace::RecycleBin},
    {CmControlPanel, TShellPlace::ControlPanel},
    {CmAddRemovePrograms, TShellPlace::AddRemovePrograms},
    {CmTaskManager, TShellPlace::TaskManager},
    {CmNetworkPlaces, TShellPlace::NetworkPlaces},
    {CmHistory, TShellPlace::History},
    {CmFavorites, TShellPlace::Favorites},
    {CmRecentDocuments, TShellPlace::RecentDocuments},
    {CmSystemProperties, TShellPlace::SystemProperties},
    {CmSystemHardware, TShellPlace::SystemHardware},
    {CmSystemAdvanced, TShellPlace::SystemAdvanced},
    {CmDisplayDesktop, TShellPlace::DisplayDesktop},
    {CmDisplaySettings, TShellPlace::DisplaySettings},
    {CmDisplayScreenSaver, TShellPlace::DisplayScreenSaver},
};

struct TExitCommand {
    unsigned command;
    TSystemExit what;
};

constexpr TExitCommand kExitCommands[] = {
    {CmLogOff, TSystemExit::LogOff},
    {CmRestart, TSystemExit::Restart},
    {CmShutDown, TSystemExit::ShutDown},
};

}  // namespace

bool TSystemCommands::IsShellPlaceCommand(unsigned command) {
    for (const TPlaceCommand& p : kPlaceCommands)
        if (p.command == command) return true;
    return false;
}

bool TSystemCommands::Run(unsigned command, HWND owner) {
    for (const TPlaceCommand& p : kPlaceCommands) {
        if (p.command != command) continue;
        Guarded(L"shell place", [&] { OpenShellPlace(p.place, owner, seams_); });
        return true;
    }
    for (const TExitCommand& e : kExitCommands) {
        if (e.command != command) continue;
        Guarded(L"system exit", [&] { ExitSystem(e.what, owner, seams_); });
        return true;
    }
    if (command != CmClearRecentDocuments) return false;
    Guarded(L"clear recent documents", [&] { ClearRecentDocuments(owner, seams_); });
    return true;
}

}  // namespace qm
