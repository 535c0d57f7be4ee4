// Creating child controls of a window and measuring their text: the small
// steps every window of the program repeats.
#pragma once
#include <windows.h>

#include <string>

namespace qm {

// A child control with the font set; hidden unless the style has WS_VISIBLE.
HWND CreateChild(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                 HFONT font);

// The width the control's text needs in the font.
int TextWidth(HWND control, HFONT font);

// A window's text.
std::wstring WindowText(HWND window);

// Shows or hides a window as the flag says.
inline void ShowControl(HWND control, bool show) { ::ShowWindow(control, show ? SW_SHOW : SW_HIDE); }

// A font of the family at points for the dots per inch.
HFONT MakeFont(const wchar_t* family, int points, int weight, int dpi);

}  // namespace qm
