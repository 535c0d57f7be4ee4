// TFrmReName: asks for a record's new name ("Rename", label "File Name", edit
// EdtName), shown at the mouse position. Enter accepts, Escape cancels.
#pragma once
#include <optional>
#include <string>

#include "ui/dialog.h"

namespace qm {

class TFrmReName : public TDialogBase {
public:
    static constexpr int kIdLabel = 100;
    static constexpr int kIdEdtName = 101;

    // The entered text, or nothing when cancelled.
    std::optional<std::wstring> Ask(HWND owner, const std::wstring& current);

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::wstring text_;
};

}  // namespace qm
