// The main window's menus, as tables: the main menu, the window's context menu
// PmApp, the "More.." menu PopupMenuMore, the record list's PmRecList, the trees'
// PmDocTree, the "Turn Off" menu PmPCShutdown and the startup list's PmFilterStartup. Win32 menus cannot hide an
// entry, so each menu is built from its table with the entries that are to be
// shown, and built again when that changes (the tree menu on every opening).
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/unique_any.h"

namespace qm {

enum class TMenuKind { Item, Check, Separator, Submenu, End };

struct TMenuEntry {
    TMenuKind kind;
    unsigned id;
    const wchar_t* caption;
    const wchar_t* shortcut = nullptr;  // shown right-aligned, handled by the window
    bool neverShown = false;            // kept in the table, never put in the menu
};

enum class TMenuTable { Main, App, More, RecList, DocTree, Shutdown, FilterStartup };

// What the builder asks of the window.
struct TMenuState {
    std::function<bool(unsigned)> visible;          // empty: everything shown
    std::function<bool(unsigned)> checked;          // empty: nothing checked
    std::function<std::wstring(unsigned)> caption;  // a caption set at run time, or empty for the table's
};

// Builds a menu (a menu bar for Main, a popup menu otherwise).
HMENU BuildMenu(TMenuTable table, const TMenuState& state);

// The entries of a table in order (for tests and for finding captions).
const TMenuEntry* MenuTable(TMenuTable table, size_t& count);

// The menu (the root or a nested submenu) that holds the entry with the id.
HMENU FindSubmenuWithCommand(HMENU menu, unsigned id);
// The submenu of the entry with the id ("Recent"), or nullptr.
HMENU SubmenuById(HMENU menu, unsigned id);
// The caption of the entry with the command (without the shortcut text), empty when absent.
std::wstring MenuCaption(HMENU menu, unsigned id);
bool MenuChecked(HMENU menu, unsigned id);

}  // namespace qm
