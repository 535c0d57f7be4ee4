#include "app/renamedialog.h"

#include "records/recordstore.h"

namespace qm {

bool TFrmReName::Show(HWND owner, std::wstring& name) {
    using namespace layout;
    TDialogTemplate tpl(L"Rename", 220, 52, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    tpl.Add(kStaticAtom, L"File Name", kIdLabel, kMargin, 9, 40, 9, SS_LEFT)
        .Add(kEditAtom, L"", kIdEdtName, 50, 7, 163, 13, kEditStyle)
        .AddOkCancel(30);
    std::wstring working = name;
    name_ = &working;
    bool confirmed = RunDialog(owner, tpl);
    name_ = nullptr;
    if (confirmed) name = working;
    return confirmed;
}

std::optional<std::wstring> TFrmReName::Ask(HWND owner, const std::wstring& current) {
    std::wstring name = current;
    if (!Show(owner, name)) return std::nullopt;
    return name;
}

void TFrmReName::OnInit() {
    SetText(kIdEdtName, *name_);
    POINT pt{};
    ::GetCursorPos(&pt);
    MoveNear(pt);
    FocusItem(kIdEdtName);
    ::SendMessageW(Item(kIdEdtName), EM_SETSEL, 0, -1);
}

bool TFrmReName::OnOk() {
    std::wstring text = Text(kIdEdtName);
    if (!IsValidRecordName(text)) {
        MarkInvalid(kIdEdtName);
        return false;
    }
    *name_ = text;
    return true;
}

}  // namespace qm
