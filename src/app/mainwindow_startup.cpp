// The startup list's commands that open what it lists: "Open" (the
// special-window recogniser first, then the item launcher) and "Open container
// Folder". "Add to Record" and dragging rows onto the All tree add them.
#include "app/commands.h"
#include "app/mainwindow.h"

namespace qm {

bool TQuilmarWindow::RunStartupListCommand(unsigned id) {
    switch (id) {
        case CmFilterOpen: Launcher().OpenItems(filterList_.SelectedItems()); return true;
        case CmFilterOpenFolder: Launcher().OpenItemLocations(filterList_.SelectedItems()); return true;
        default: return false;
    }
}

}  // namespace qm
