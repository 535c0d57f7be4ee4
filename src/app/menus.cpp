#include "app/menus.h"

#include <vector>

#include "app/commands.h"

namespace qm {

namespace {

using K = TMenuKind;

// The tables read best laid out as the menus they make.
// clang-format off
#define SEP {K::Separator, 0, nullptr}
#define END {K::End, 0, nullptr}

// The Windows places, shared by the main menu's "&Windows" and the "Windows"
// submenu of "More..".
#define WINDOWS_PLACES                                                                  \
    {K::Item, CmMyComputer, L"My Computer"}, {K::Item, CmMyDocuments, L"My Documents"}, \
        {K::Item, CmToggleDesktop, L"Destop"}, {K::Item, CmDesktopFolder, L"Desktop Folder"}, \
        {K::Item, CmRecycleBin, L"Recycle Bin"}, SEP, {K::Item, CmControlPanel, L"Control Panel"}, \
        {K::Item, CmAddRemovePrograms, L"Add or Remove Programs"},                      \
        {K::Item, CmTaskManager, L"Windows Task Manager"}, SEP,                         \
        {K::Item, CmNetworkPlaces, L"My Network Places"}, {K::Item, CmHistory, L"History"}, \
        {K::Item, CmFavorites, L"Favorites"}, {K::Item, CmRecentDocuments, L"My Recent Documents"}

#define WINDOWS_PROPERTIES                                                                       \
    {K::Item, CmSystemHardware, L"System Properties - Hareware"},                                \
        {K::Item, CmSystemAdvanced, L"System Properties - Advanced"},                            \
        {K::Item, CmDisplayDesktop, L"Display Properties - Desktop"},                            \
        {K::Item, CmDisplaySettings, L"Display Properties - Settings"},                          \
        {K::Item, CmDisplayScreenSaver, L"Display Properties - Screen Saver"}

#define TEXT_SIZES                                                                                    \
    {K::Check, CmTextLargest, L"Largest"}, {K::Check, CmTextLarger, L"Larger"},                       \
        {K::Check, CmTextMedium, L"Medium"}, {K::Check, CmTextSmaller, L"Smaller"},                   \
        {K::Check, CmTextSmallest, L"Smallest"}

const TMenuEntry kMain[] = {
    {K::Submenu, 0, L"&QuilMar"},
        {K::Item, CmRecord, L"Record"},
        {K::Check, CmSmartRecord, L"Smart Record"},
        {K::Item, CmAdd, L"Add ..."},
        SEP,
        {K::Item, CmReplayAll, L"&Replay All"},
        {K::Item, CmSendToRecord, L"Send To"},
        SEP,
        {K::Item, CmSettings, L"&Settings..."},
        {K::Item, CmRunAsAdministrator, L"Run as administrator"},
        SEP,
        {K::Item, CmExit, L"Exit"},
    END,
    {K::Submenu, 0, L"&View"},
        {K::Check, CmMenuBar, L"Menu Bar"},
        {K::Check, CmStatusBar, L"Status Bar"},
        {K::Check, CmRecordList, L"Record List"},
        SEP,
        {K::Submenu, 0, L"&Text Size"}, TEXT_SIZES, END,
        {K::Check, CmSearch, L"Search...", L"Ctrl+F"},
    END,
    {K::Submenu, 0, L"&Windows"},
        WINDOWS_PLACES,
        SEP,
        {K::Item, CmSystemProperties, L"System Properties"},
        WINDOWS_PROPERTIES,
    END,
    {K::Submenu, 0, L"&Internet Explorer"},
        {K::Submenu, CmFavoritesMenu, L"Favorites"}, END,
        {K::Submenu, CmHistoryMenu, L"History"}, END,
    END,
    {K::Submenu, 0, L"&Tools"},
        {K::Item, CmStartupManager, L"&Startup"},
        {K::Item, CmClearRecentDocuments, L"Clear My Recent Documents"},
    END,
    {K::Submenu, 0, L"&Shut down"},
        {K::Item, CmLogOff, L"&Log off"},
        {K::Item, CmRestart, L"&Restart"},
        {K::Item, CmShutDown, L"&Shut down"},
    END,
    {K::Submenu, 0, L"&Help"},
        {K::Item, CmHelp, L"Quilmar Help", L"F1"},
        {K::Item, CmHomePage, L"Home Page"},
        {K::Item, CmCheckUpdate, L"Check For &Update"},
        SEP,
        {K::Item, CmAbout, L"About Quilmar"},
    END,
};

const TMenuEntry kApp[] = {
    {K::Check, CmMenuBar, L"&Menu Bar"},
    {K::Check, CmStatusBar, L"&Status Bar"},
    {K::Check, CmRecordList, L"&List of Records"},
    SEP,
    {K::Item, CmOpenApplicationPath, L"Open Application Path"},
    {K::Item, CmSettings, L"&Settings"},
    SEP,
    {K::Item, CmAbout, L"About Quilmar"},
    {K::Item, CmExit, L"Exit"},
};

const TMenuEntry kMore[] = {
    {K::Item, CmReplayAll, L"&Replay All"},
    {K::Item, CmSendToRecord, L"Send To"},
    SEP,
    {K::Submenu, 0, L"Windows"},
        WINDOWS_PLACES,
        SEP,
        {K::Submenu, 0, L"Windows Properties"}, WINDOWS_PROPERTIES, END,
    END,
    {K::Item, CmClearRecentDocuments, L"Clear My Recent Documents"},
    {K::Item, CmStartupManager, L"Startup"},
    SEP,
    {K::Item, CmLogOff, L"&Log Off Computer"},
    {K::Item, CmRestart, L"&Restart Computer"},
    {K::Item, CmShutDown, L"&Turn Off Computer"},
    SEP,
    {K::Item, CmHomePage, L"Home Page"},
    {K::Submenu, 0, L"&Online Help and Imformation"},
        {K::Item, CmOnlineGuide, L"Online Guide"},
        {K::Item, CmCheckUpdate, L"Check For &Update"},
    END,
    SEP,
    {K::Item, CmRunAsAdministrator, L"Run Quilmar as admin"},
    {K::Check, CmAlwaysRunAsAdmin, L"Always run Quilmar as admin"},
    {K::Item, CmSettings, L"Settings..."},
};

const TMenuEntry kRecList[] = {
    {K::Item, CmRecRefresh, L"Re&fresh", L"F5"},
    {K::Item, CmRecDelete, L"&Delete", L"Del"},
    {K::Item, CmRecRename, L"Re&name"},
    SEP,
    {K::Item, CmReplayAll, L"&Replay All"},
    {K::Item, CmSendToRecord, L"Send To"},
    {K::Item, CmRecDesktopShortcut, L"Create desktop shortcut"},
    SEP,
    {K::Check, CmReplayAtStart, L"Replay all when windows start"},
};

const TMenuEntry kDocTree[] = {
    {K::Submenu, CmRecentFirst, L"Recent"}, END,
    {K::Item, CmOpen, L"&Open", L"Ctrl+O"},
    {K::Item, CmOpenFileLocation, L"Open file location", L"Ctrl+L"},
    {K::Item, CmOpenAsAdmin, L"Open as admin"},
    {K::Item, CmRunAsAdmin, L"Run as admin"},
    {K::Item, CmOpenWith, L"Open &with...", L"Ctrl+W"},
    {K::Item, CmOpenWithAdmin, L"Open with (admin)", L"Shift+W"},
    SEP,
    {K::Item, CmCopyFile, L"Copy file", L"Ctrl+C"},
    {K::Item, CmCopyFileName, L"Copy file Name"},
    {K::Item, CmCopyFileLocation, L"Copy file location"},
    {K::Item, CmPasteShortcut, L"Paste shortcut", L"Ctrl+V"},
    {K::Separator, CmPaste, nullptr},  // shown with "Paste"
    {K::Item, CmPaste, L"Paste"},
    {K::Check, CmOpenLocationAfterPaste, L"Open file location after paste"},
    {K::Item, CmCreateNote, L"Create Note", nullptr, true},
    SEP,
    {K::Submenu, 0, L"Send to "},
        {K::Item, CmSendToDesktop, L"Desktop (create shortcut)"},
        {K::Item, CmSendToDocuments, L"Documents"},
        {K::Item, CmSendToRemovable, L"Removable Disk"},
        SEP,
        {K::Check, CmOpenLocationAfterSent, L"Open file location after sent"},
    END,
    {K::Item, CmSelectFolder, L"Select Folder...", nullptr, true},
    SEP,
    {K::Submenu, 0, L"&Text Size"}, TEXT_SIZES, END,
    {K::Item, CmAddCopyPaste, L"Add Copy and Paste", nullptr, true},
    SEP,
    {K::Item, CmFullExpand, L"Full &Expand"},
    {K::Item, CmFullCollapse, L"Full Collapse"},
    {K::Item, CmCloseAll, L"&Close All", nullptr, true},
    {K::Separator, CmDeleteSelected, nullptr},  // shown with the delete entries
    {K::Item, CmDeleteSelected, L"&Deleted Selected", L"Del"},
    {K::Item, CmDeleteAll, L"Delete All (&l)"},
    {K::Item, CmDeleteInvalid, L"Delete Invalid Paths", nullptr, true},
};

const TMenuEntry kShutdown[] = {
    {K::Item, CmLogOff, L"&Log Off"},
    {K::Item, CmRestart, L"&Restart"},
    {K::Item, CmShutDown, L"&Turn Off"},
};

const TMenuEntry kFilterStartup[] = {
    {K::Item, CmAddToRecord, L"Add to Record"},
    {K::Item, CmFilterOpen, L"Open"},
    {K::Item, CmFilterOpenFolder, L"Open container Folder"},
    SEP,
    {K::Item, CmSettings, L"Settings..."},
};

#undef SEP
#undef END
// clang-format on

// Builds entries [at, end of this level) into menu; returns the position after the level's End.
size_t Fill(HMENU menu, const TMenuEntry* items, size_t count, size_t at, const TMenuState& state) {
    bool lastWasSeparator = true;  // no separator at the top of a menu
    while (at < count) {
        const TMenuEntry& e = items[at++];
        if (e.kind == K::End) break;
        bool shown = !e.neverShown && (!state.visible || !e.id || state.visible(e.id));
        if (e.kind == K::Submenu) {
            HMENU sub = ::CreatePopupMenu();
            at = Fill(sub, items, count, at, state);
            if (!shown) {
                ::DestroyMenu(sub);
                continue;
            }
            ::AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), e.caption);
            if (e.id) {
                // Lets the window find a submenu by the id its table gives it.
                MENUITEMINFOW mii{};
                mii.cbSize = sizeof(mii);
                mii.fMask = MIIM_ID;
                mii.wID = e.id;
                ::SetMenuItemInfoW(menu, ::GetMenuItemCount(menu) - 1, TRUE, &mii);
            }
            lastWasSeparator = false;
            continue;
        }
        if (!shown) continue;
        if (e.kind == K::Separator) {
            if (!lastWasSeparator) ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            lastWasSeparator = true;
            continue;
        }
        std::wstring text = e.caption;
        if (state.caption) {
            std::wstring own = state.caption(e.id);
            if (!own.empty()) text = own;
        }
        if (e.shortcut) text += std::wstring(L"\t") + e.shortcut;
        UINT flags = MF_STRING;
        if (e.kind == K::Check && state.checked && state.checked(e.id)) flags |= MF_CHECKED;
        ::AppendMenuW(menu, flags, e.id, text.c_str());
        lastWasSeparator = false;
    }
    // No separator at the bottom either.
    int n = ::GetMenuItemCount(menu);
    if (n > 0 && (::GetMenuState(menu, static_cast<UINT>(n - 1), MF_BYPOSITION) & MF_SEPARATOR))
        ::DeleteMenu(menu, static_cast<UINT>(n - 1), MF_BYPOSITION);
    return at;
}

}  // namespace

const TMenuEntry* MenuTable(TMenuTable table, size_t& count) {
    switch (table) {
        case TMenuTable::Main: count = std::size(kMain); return kMain;
        case TMenuTable::App: count = std::size(kApp); return kApp;
        case TMenuTable::More: count = std::size(kMore); return kMore;
        case TMenuTable::RecList: count = std::size(kRecList); return kRecList;
        case TMenuTable::DocTree: count = std::size(kDocTree); return kDocTree;
        case TMenuTable::Shutdown: count = std::size(kShutdown); return kShutdown;
        case TMenuTable::FilterStartup: count = std::size(kFilterStartup); return kFilterStartup;
    }
    count = 0;
    return nullptr;
}

HMENU BuildMenu(TMenuTable table, const TMenuState& state) {
    size_t count = 0;
    const TMenuEntry* items = MenuTable(table, count);
    HMENU menu = table == TMenuTable::Main ? ::CreateMenu() : ::CreatePopupMenu();
    Fill(menu, items, count, 0, state);
    return menu;
}

HMENU FindSubmenuWithCommand(HMENU menu, unsigned id) {
    int n = ::GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
        if (mii.wID == id) return menu;
        if (mii.hSubMenu) {
            if (HMENU deeper = FindSubmenuWithCommand(mii.hSubMenu, id)) return deeper;
        }
    }
    return nullptr;
}

HMENU SubmenuById(HMENU menu, unsigned id) {
    HMENU holder = FindSubmenuWithCommand(menu, id);
    if (!holder) return nullptr;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_SUBMENU;
    return ::GetMenuItemInfoW(holder, id, FALSE, &mii) ? mii.hSubMenu : nullptr;
}

std::wstring MenuCaption(HMENU menu, unsigned id) {
    HMENU holder = FindSubmenuWithCommand(menu, id);
    if (!holder) return {};
    wchar_t buf[256] = {};
    ::GetMenuStringW(holder, id, buf, 256, MF_BYCOMMAND);
    std::wstring s = buf;
    size_t tab = s.find(L'\t');
    return tab == std::wstring::npos ? s : s.substr(0, tab);
}

bool MenuChecked(HMENU menu, unsigned id) {
    HMENU holder = FindSubmenuWithCommand(menu, id);
    return holder && (::GetMenuState(holder, id, MF_BYCOMMAND) & MF_CHECKED);
}

}  // namespace qm
