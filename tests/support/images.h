// Small image lists with one plain colour per image, and a way to read a pixel back.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <commctrl.h>

namespace qm::test {

inline COLORREF ColourFor(int i) { return RGB((i * 40) % 256, (i * 90 + 30) % 256, (i * 150 + 60) % 256); }

inline HIMAGELIST MakeImageList(int count) {
    HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, count, 4);
    HDC screen = ::GetDC(nullptr);
    for (int i = 0; i < count; ++i) {
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bmp = ::CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = ::SelectObject(dc, bmp);
        RECT r{0, 0, 16, 16};
        HBRUSH brush = ::CreateSolidBrush(ColourFor(i));
        ::FillRect(dc, &r, brush);
        ::DeleteObject(brush);
        ::SelectObject(dc, old);
        ::ImageList_AddMasked(list, bmp, RGB(255, 0, 255));
        ::DeleteObject(bmp);
        ::DeleteDC(dc);
    }
    ::ReleaseDC(nullptr, screen);
    return list;
}

// The colour at the centre of image i.
inline COLORREF PixelOf(HIMAGELIST list, int i) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = ::SelectObject(dc, bmp);
    ::ImageList_Draw(list, i, dc, 0, 0, ILD_NORMAL);
    COLORREF c = ::GetPixel(dc, 8, 8);
    ::SelectObject(dc, old);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return c;
}

}  // namespace qm::test
