// The startup-filter group below the trees: the programs a recording left out
// because Windows starts them anyway, in a report list ("Title", "Location")
// with a close button.
#pragma once
#include <windows.h>

#include <vector>

#include "capture/sources.h"
#include "replay/launcher.h"
#include "ui/reportlist.h"

namespace qm {

class TFilterList {
public:
    static constexpr int kIdGroup = 1012, kIdList = 1013, kIdClose = 1014;

    void Create(HWND parent, HFONT font);
    // Shows the rows (with the group's caption), or hides the group.
    void Show(bool show, const std::vector<TFilterRow>& rows = {});
    bool Shown() const { return shown_; }
    // Lays the group out in the rectangle.
    void Layout(const RECT& area, int dpi);
    TReportList& List() { return list_; }
    bool IsCloseButton(HWND control) const { return control && control == close_; }
    // The selected rows as the launcher takes them (Location, Title).
    std::vector<TLaunchItem> SelectedItems() const;

private:
    HWND group_ = nullptr, close_ = nullptr;
    TReportList list_;
    bool shown_ = false;
};

}  // namespace qm
