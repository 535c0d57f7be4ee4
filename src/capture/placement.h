// Where a window is: its placement (restored rectangle and shown state) and the
// monitor it is on, as a record keeps them; and putting a window back there.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "records/itemextras.h"

namespace qm {

// One monitor of the desktop: its device name and work area.
struct TMonitor {
    std::wstring device;
    RECT workArea{};
};

// The monitors now attached, the primary one first.
std::vector<TMonitor> AttachedMonitors();

// The placement of a window and its monitor; nothing for a window that is gone.
std::optional<TWindowPlace> PlaceOfWindow(HWND window);

// The restored rectangle a placement gets on the monitors there are now. On
// the monitor it was recorded on, the rectangle moves with that monitor's work
// area; when that monitor is gone, it goes onto the monitor nearest to where it
// was, moved by the difference of the work areas and kept inside the new one.
RECT RectOnMonitors(const TWindowPlace& place, const std::vector<TMonitor>& monitors);

// SetWindowPlacement with the rectangle for the monitors there are now and the
// recorded shown state.
bool PutWindowPlace(HWND window, const TWindowPlace& place, const std::vector<TMonitor>& monitors);

}  // namespace qm
