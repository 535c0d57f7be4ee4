#include "ui/ownerdraw.h"

#include <algorithm>

namespace qm {

namespace {

COLORREF Darker(COLORREF c, int by) {
    auto down = [by](int v) { return std::max(0, v - by); };
    return RGB(down(GetRValue(c)), down(GetGValue(c)), down(GetBValue(c)));
}

// A BMP file's bytes (file header first) as a bitmap.
unique_hbitmap BitmapFromFileBytes(const BYTE* data, DWORD size) {
    unique_hbitmap bitmap;
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return bitmap;
    BITMAPFILEHEADER file{};
    memcpy(&file, data, sizeof(file));
    if (file.bfType != 0x4D42 || file.bfOffBits >= size) return bitmap;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(data + sizeof(BITMAPFILEHEADER));
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biWidth > 4096 ||
        header.biHeight == 0 || header.biHeight > 4096 || header.biHeight < -4096)
        return bitmap;
    const size_t stride = ((static_cast<size_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const size_t need = stride * static_cast<size_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    if (header.biCompression != BI_RGB || file.bfOffBits + need > size) return bitmap;
    unique_window_dc screen(nullptr);
    bitmap.reset(::CreateDIBitmap(screen.get(), &header, CBM_INIT, data + file.bfOffBits, info, DIB_RGB_COLORS));
    return bitmap;
}

}  // namespace

unique_hbitmap LoadBitmapResource(HMODULE module, const wchar_t* name, const wchar_t* type) {
    if (!type)
        return unique_hbitmap(
            static_cast<HBITMAP>(::LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    HRSRC found = ::FindResourceW(module, name, type);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return unique_hbitmap();
    return BitmapFromFileBytes(static_cast<const BYTE*>(data), ::SizeofResource(module, found));
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(info), &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent) {
    SIZE size = BitmapSize(bitmap);
    if (!size.cx || !size.cy) return;
    unique_hdc memory(::CreateCompatibleDC(dc));
    if (!memory) return;
    unique_select_object select(memory.get(), bitmap);
    ::GdiTransparentBlt(dc, x, y, size.cx, size.cy, memory.get(), 0, 0, size.cx, size.cy, transparent);
}

SIZE CaptionSize(HDC dc, const std::wstring& caption, HFONT font) {
    unique_select_object select(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    return size;
}

void DrawImageCaptionItem(HDC dc, const RECT& rect, bool selected, HBITMAP image, POINT imageAt,
                          const std::wstring& caption, POINT textAt, HFONT font) {
    ::FillRect(dc, &rect, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (image) DrawTransparentBitmap(dc, image, rect.left + imageAt.x, rect.top + imageAt.y);
    unique_select_object select(dc, font);
    int mode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF colour = ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    ::ExtTextOutW(dc, rect.left + textAt.x, rect.top + textAt.y, 0, nullptr, caption.c_str(),
                  static_cast<UINT>(caption.size()), nullptr);
    ::SetTextColor(dc, colour);
    ::SetBkMode(dc, mode);
}

void DrawPictureButton(const DRAWITEMSTRUCT& item, const std::wstring& caption, HFONT font,
                       const TPictureButtonLook& look) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    // The parent's background shows at the rounded corners.
    ::FillRect(dc, &r,
               reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(item.hwndItem), WM_CTLCOLORBTN,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(item.hwndItem))));
    unique_hbrush face(::CreateSolidBrush(disabled ? RGB(232, 232, 232) : pressed ? Darker(look.face, 24) : look.face));
    unique_hbrush frameBrush(::CreateSolidBrush(disabled ? RGB(170, 170, 170) : look.frame));
    {
        unique_select_object brush(dc, face.get());
        unique_select_object pen(dc, ::GetStockObject(NULL_PEN));
        ::RoundRect(dc, r.left, r.top, r.right + 1, r.bottom + 1, 8, 8);
    }
    unique_hrgn outline(::CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, 8, 8));
    if (outline) ::FrameRgn(dc, outline.get(), frameBrush.get(), 1, 1);
    RECT text = r;
    if (pressed) ::OffsetRect(&text, 1, 1);
    unique_select_object select(dc, font);
    int mode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF colour = ::SetTextColor(dc, disabled ? RGB(140, 140, 140) : look.text);
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SetTextColor(dc, colour);
    ::SetBkMode(dc, mode);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = r;
        ::InflateRect(&focus, -4, -4);
        ::DrawFocusRect(dc, &focus);
    }
}

}  // namespace qm
