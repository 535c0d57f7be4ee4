// TBalloon: the setup program's balloon hint, a borderless top-most popup in
// the info-tip colour with an icon, a bold title, a body text, a close glyph
// and a tail that points at a spot on the screen. A click on it or its timer
// hides it. The setup program shows at most one at a time (ShowBalloon).
#pragma once
#include <windows.h>

#include <string>

#include "base/unique_any.h"
#include "ui/window.h"

namespace qm {

// Where the tail is and where the balloon lies relative to its point.
enum TBalloonStyle : int {
    kBalloonBottomRight = 0,  // above the point, to its left
    kBalloonBottomLeft = 1,   // above, to the right
    kBalloonTopRight = 2,     // below, to the left
    kBalloonTopLeft = 3,      // below, to the right
};
// Icons: the bitmap resources "INFO", "ERROR" and "WARNING".
enum TBalloonIcon : int { kBalloonInfo = 0, kBalloonError = 1, kBalloonWarning = 2 };

// The balloon's outline and where its parts go, for a point and the sizes of
// the two texts; pure geometry.
struct TBalloonLayout {
    int left = 0, top = 0, width = 0, height = 0;
    POINT icon{}, title{}, body{}, closeGlyph{};
    bool tailUp = false;
    RECT rounded{};      // the rounded part of the outline, in window coordinates
    POINT tail[3] = {};  // the tail triangle
};
TBalloonLayout LayoutBalloon(int x, int y, int style, SIZE titleSize, SIZE bodySize);

class TBalloon : public TWindowBase {
public:
    static constexpr wchar_t kClassName[] = L"TBalloon";
    static constexpr UINT_PTR kHideTimer = 1;

    TBalloon();
    ~TBalloon() override;

    // Shows the balloon at the screen point (x, y) for the seconds given; title
    // and body are shown trimmed of leading and trailing blanks.
    bool Show(int x, int y, int style, int seconds, int icon, const std::wstring& title, const std::wstring& body);
    void Hide();
    bool Visible() const { return Handle() && ::IsWindowVisible(Handle()); }
    const TBalloonLayout& Layout() const { return layout_; }
    std::wstring Title() const { return title_; }
    std::wstring Body() const { return body_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool EnsureWindow();
    void Paint();
    void StayOnTop();

    std::wstring title_, body_;
    TBalloonLayout layout_;
    unique_hfont font_, boldFont_;
    unique_hbitmap icon_, closeGlyph_;
    unique_hbrush background_;
};

// The program's one balloon: ShowBalloon replaces a shown one; HideBalloon
// hides it and lets it go once the messages for it are handled.
void ShowBalloon(int x, int y, int style, int seconds, int icon, const std::wstring& title, const std::wstring& body);
void HideBalloon();
// The balloon that is shown, if any (for tests).
TBalloon* CurrentBalloon();

}  // namespace qm
