// Images for menu items: an image of an image list (such as the system's small
// icons) as the 32-bit bitmap with premultiplied alpha that a menu item draws
// with its own background around it.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <commctrl.h>

namespace qm {

// A new bitmap the caller owns, or nullptr when the image cannot be drawn.
HBITMAP MenuImageFromImageList(HIMAGELIST list, int index);

}  // namespace qm
