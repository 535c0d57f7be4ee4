#include "ui/splitter.h"

namespace qm {

bool TSplitter::Hit(POINT pt) const {
    if (!pane_ || !::IsWindowVisible(pane_)) return false;
    RECT r{};
    ::GetWindowRect(pane_, &r);
    ::MapWindowPoints(nullptr, owner_, reinterpret_cast<POINT*>(&r), 2);
    return pt.x >= r.right && pt.x < r.right + kWidth && pt.y >= r.top && pt.y < r.bottom;
}

bool TSplitter::OnSetCursor(HWND over) {
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(owner_, &pt);
    if (over != owner_ || !Hit(pt)) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
    return true;
}

bool TSplitter::OnButtonDown(POINT pt) {
    if (!Hit(pt)) return false;
    dragging_ = true;
    ::SetCapture(owner_);
    return true;
}

bool TSplitter::OnMouseMove(POINT pt) {
    if (!dragging_) return false;
    if (onDrag) onDrag(pt.x);
    return true;
}

bool TSplitter::OnButtonUp() {
    if (!dragging_) return false;
    dragging_ = false;
    ::ReleaseCapture();
    return true;
}

}  // namespace qm
