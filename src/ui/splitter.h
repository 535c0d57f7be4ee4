// A vertical splitter bar between a pane on the left and the rest of a
// window's client area: the pointer turns into the sizing arrows over it and
// dragging it sets the pane's width.
#pragma once
#include <windows.h>

#include <functional>

namespace qm {

class TSplitter {
public:
    static constexpr int kWidth = 4;

    // The bar lies just right of this pane, when the pane is shown.
    void Attach(HWND owner, HWND pane) {
        owner_ = owner;
        pane_ = pane;
    }
    bool Hit(POINT client) const;
    // The window's WM_SETCURSOR, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP:
    // true when the splitter used the message.
    bool OnSetCursor(HWND over);
    bool OnButtonDown(POINT client);
    bool OnMouseMove(POINT client);
    bool OnButtonUp();
    bool Dragging() const { return dragging_; }

    // The new width of the pane while it is dragged.
    std::function<void(int width)> onDrag;

private:
    HWND owner_ = nullptr, pane_ = nullptr;
    bool dragging_ = false;
};

}  // namespace qm
