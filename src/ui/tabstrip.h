// A tab strip whose captions are drawn centred on one line with the active
// one in bold (the system draws them instead where owner drawing is off).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace qm {

class TTabStrip {
public:
    void Create(HWND parent, int id, bool ownerDraw, HFONT font, HFONT boldFont);
    HWND Handle() const { return hwnd_; }

    // The tabs are built again only when the captions change.
    void SetTabs(const std::vector<std::wstring>& captions);
    int Count() const;
    int Selected() const;
    void Select(int index);
    // The area the pages take inside a rectangle of the tab control's size.
    RECT PageRect(RECT outer) const;
    // WM_DRAWITEM for this control: true when it was drawn here.
    bool Draw(const DRAWITEMSTRUCT& dis) const;

private:
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr, boldFont_ = nullptr;
    std::vector<std::wstring> captions_;
};

}  // namespace qm
