// Layout constants shared by every dialog, in dialog units, so the dialogs
// line up with each other and with the system's own.
#pragma once

namespace qm::layout {

constexpr short kMargin = 7;    // from the dialog's edge to its controls
constexpr short kGap = 4;       // between neighbouring controls
constexpr short kButtonW = 50;  // a push button
constexpr short kButtonH = 14;
constexpr short kCheckH = 10;  // a check box or radio button on one line
constexpr short kLabelH = 8;   // one line of text
constexpr short kEditH = 14;   // a one-line edit
constexpr short kTrackbarH = 14;
constexpr short kRowStep = 14;  // from one check-box row to the next

}  // namespace qm::layout
