// TFrmReName: asks for a record's new name ("Rename", label "File Name", edit
// EdtName), shown at the mouse position. Enter accepts, Escape cancels; a name
// that cannot be a file of the record folder turns the field red.
#pragma once
#include <optional>
#include <string>

#include "ui/dialog.h"

namespace qm {

class TFrmReName : public TDialog {
public:
    static constexpr int kIdLabel = 100;
    static constexpr int kIdEdtName = 101;

    // Shows the dialog with the name; true and the entered name after a confirm.
    bool Show(HWND owner, std::wstring& name);
    // The entered text, or nothing when cancelled.
    std::optional<std::wstring> Ask(HWND owner, const std::wstring& current);

    COLORREF NameColour() const { return FieldColour(kIdEdtName); }

private:
    void OnInit() override;
    bool OnOk() override;

    std::wstring* name_ = nullptr;
};

}  // namespace qm
