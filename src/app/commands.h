// Command identifiers of the main window's menus, buttons and keys.
#pragma once

namespace qm {

// clang-format off
enum TCommand : unsigned {
    CmNone = 0,
    // Records and the program
    CmRecord = 40001, CmAdd, CmReplayAll, CmSendToRecord, CmSettings, CmRunAsAdministrator, CmAlwaysRunAsAdmin,
    CmExit, CmRecordMore,
    // View
    CmMenuBar, CmStatusBar, CmRecordList, CmSearch, CmAlwaysOnTop,
    CmTextLargest, CmTextLarger, CmTextMedium, CmTextSmaller, CmTextSmallest,
    // Record list
    CmRecRefresh, CmRecDelete, CmRecRename, CmReplayAtStart, CmRecDesktopShortcut,
    // Windows places and properties
    CmMyComputer, CmMyDocuments, CmToggleDesktop, CmDesktopFolder, CmRecycleBin, CmControlPanel, CmAddRemovePrograms,
    CmTaskManager, CmNetworkPlaces, CmHistory, CmFavorites, CmRecentDocuments, CmClearRecentDocuments,
    CmSystemProperties, CmSystemHardware, CmSystemAdvanced, CmDisplayDesktop, CmDisplaySettings, CmDisplayScreenSaver,
    CmOpenApplicationPath, CmStartupManager,
    // Shut down
    CmLogOff, CmRestart, CmShutDown,
    // Help
    CmHelp, CmHomePage, CmOnlineGuide, CmCheckUpdate, CmAbout,
    // Document trees
    CmOpen, CmOpenFileLocation, CmOpenAsAdmin, CmRunAsAdmin, CmOpenWith, CmOpenWithAdmin, CmCopyFile, CmCopyFileName,
    CmCopyFileLocation, CmPasteShortcut, CmPaste, CmOpenLocationAfterPaste, CmCreateNote, CmSendToDesktop,
    CmSendToDocuments, CmSendToRemovable, CmOpenLocationAfterSent, CmSelectFolder, CmAddCopyPaste, CmFullExpand,
    CmFullCollapse, CmCloseAll, CmDeleteSelected, CmDeleteAll, CmDeleteInvalid,
    // Controls and keys
    CmStop, CmSmartRecord, CmSearchGo, CmQuickOpen, CmSaveAsNewRecord, CmAddToRecord,
    CmFilterOpen, CmFilterOpenFolder,  // the startup list's "Open" and "Open container Folder"
    CmRecentFirst = 45000,  // the "Recent" submenu; its entries follow it
    // The "&Internet Explorer" menu's "Favorites" and "History" submenus and
    // their entries: a range of their own, which no control and no other
    // command may ever use (an entry taken for another command would run it).
    CmFavoritesMenu = 50000, CmHistoryMenu,
    CmFavoritesFirst = 50100, CmFavoritesLast = 55099,
    CmHistoryFirst = 55100, CmHistoryLast = 60099,
};
// clang-format on

// How many entries the "Recent" submenu takes at most (their ids follow CmRecentFirst).
constexpr unsigned kRecentEntries = 4999;
static_assert(CmRecentFirst + kRecentEntries < CmFavoritesMenu, "the Recent entries run into the Favorites range");

// The tree font size a text-size command stands for (0 for other commands).
int TextSizeOfCommand(unsigned command);

// How a command meets a long operation that holds the busy guard.
enum class TBusyRule {
    Anytime,  // touches neither the open record nor a record file: runs at once
    Queue,    // waits for the operation to end, then runs (the default)
    Refuse,   // a second long operation of its kind: refused quietly
};
TBusyRule BusyRuleOf(unsigned command);

}  // namespace qm
