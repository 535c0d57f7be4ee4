#include "app/systemcommands.h"

#include "app/commands.h"
#include "base/guarded.h"

namespace qm {

namespace {

// What a command stands for.
template <class T>
struct TCommandOf {
    unsigned command;
    T what;
};

template <class T, size_t N>
const T* Lookup(const TCommandOf<T> (&table)[N], unsigned command) {
    for (const TCommandOf<T>& entry : table)
        if (entry.command == command) return &entry.what;
    return nullptr;
}

constexpr TCommandOf<TShellPlace> kPlaceCommands[] = {
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

constexpr TCommandOf<TSystemExit> kExitCommands[] = {
    {CmLogOff, TSystemExit::LogOff},
    {CmRestart, TSystemExit::Restart},
    {CmShutDown, TSystemExit::ShutDown},
};

}  // namespace

bool TSystemCommands::IsShellPlaceCommand(unsigned command) { return Lookup(kPlaceCommands, command) != nullptr; }

bool TSystemCommands::Run(unsigned command, HWND owner) {
    if (const TShellPlace* place = Lookup(kPlaceCommands, command)) {
        Guarded(L"shell place", [&] { OpenShellPlace(*place, owner, seams_); });
        return true;
    }
    if (const TSystemExit* what = Lookup(kExitCommands, command)) {
        Guarded(L"system exit", [&] { ExitSystem(*what, owner, seams_); });
        return true;
    }
    if (command != CmClearRecentDocuments) return false;
    Guarded(L"clear recent documents", [&] { ClearRecentDocuments(owner, seams_); });
    return true;
}

}  // namespace qm
