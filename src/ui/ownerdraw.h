// Owner-drawn pieces that are an image and a caption: the setup program's
// picture buttons and the context-menu handler's menu item, and the bitmaps
// they draw, taken from a module's resources.
#pragma once
#include <windows.h>

#include <string>

#include "base/unique_any.h"

namespace qm {

// A bitmap resource of the module: a BITMAP resource, or (type given) a BMP
// file carried as a resource of that type. Null when there is none.
unique_hbitmap LoadBitmapResource(HMODULE module, const wchar_t* name, const wchar_t* type = nullptr);

// The bitmap's size in pixels (0 x 0 for none).
SIZE BitmapSize(HBITMAP bitmap);

// Draws the bitmap at (x, y) with one colour (white by default) left out.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent = RGB(255, 255, 255));

// The width and height of a caption in the font.
SIZE CaptionSize(HDC dc, const std::wstring& caption, HFONT font);

// A menu-style item: the rectangle filled with the highlight (or menu) colour,
// the image at imageAt and the caption at textAt (both from the rectangle's
// top-left corner) in the matching text colour.
void DrawImageCaptionItem(HDC dc, const RECT& rect, bool selected, HBITMAP image, POINT imageAt,
                          const std::wstring& caption, POINT textAt, HFONT font);

// A picture button: a rounded face in the face colour (darker while pressed,
// grey while disabled), a frame, the caption centred and the focus mark.
struct TPictureButtonLook {
    COLORREF face = RGB(226, 238, 252);
    COLORREF frame = RGB(112, 146, 190);
    COLORREF text = RGB(16, 40, 80);
};
void DrawPictureButton(const DRAWITEMSTRUCT& item, const std::wstring& caption, HFONT font,
                       const TPictureButtonLook& look = {});

}  // namespace qm
