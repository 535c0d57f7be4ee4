#include "ui/menuimage.h"

#include <cstdint>

#include "base/unique_any.h"

namespace qm {
namespace {

// A top-down 32-bit bitmap of the size, with its pixels.
HBITMAP NewDib(int width, int height, uint32_t*& pixels) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<uint32_t*>(bits);
    return bitmap;
}

bool Draw(HIMAGELIST list, int index, HBITMAP target, UINT style) {
    unique_window_dc screen(nullptr);
    unique_hdc dc(::CreateCompatibleDC(screen.get()));
    if (!dc) return false;
    unique_select_object select(dc.get(), target);
    return ::ImageList_Draw(list, index, dc.get(), 0, 0, style) != FALSE;
}

}  // namespace

HBITMAP MenuImageFromImageList(HIMAGELIST list, int index) {
    int width = 0, height = 0;
    if (!list || index < 0 || !::ImageList_GetIconSize(list, &width, &height) || width <= 0 || height <= 0)
        return nullptr;
    uint32_t* pixels = nullptr;
    unique_hbitmap image(NewDib(width, height, pixels));
    if (!image || !pixels || !Draw(list, index, image.get(), ILD_NORMAL)) return nullptr;
    ::GdiFlush();
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i)
        if (pixels[i] >> 24) return image.release();  // the image brought its own alpha
    // No alpha: the image's mask says which pixels are opaque (black in the mask).
    uint32_t* maskPixels = nullptr;
    unique_hbitmap mask(NewDib(width, height, maskPixels));
    if (!mask || !maskPixels || !Draw(list, index, mask.get(), ILD_MASK)) return image.release();
    ::GdiFlush();
    for (size_t i = 0; i < count; ++i) pixels[i] = (maskPixels[i] & 0x00FFFFFF) ? 0 : (pixels[i] | 0xFF000000);
    return image.release();
}

}  // namespace qm
