// TFormSendTo: the send-to dialog of the record export. It asks where the
// export folder is made (the desktop at first) and under which name ("QuilMar",
// or the record's own name with "As original file name"), and whether the
// target is opened afterwards. What was typed stays for the next showing.
#pragma once
#include <windows.h>

#include <string>

#include "replay/sendto.h"
#include "ui/dialog.h"

namespace qm {

struct TSendToValues {
    std::wstring recordName;        // the record being exported
    bool asRecordFileName = false;  // "As original file name", taken back however the dialog ends
    TExportRequest request;         // after a confirm: the folder, the name, the opening and the is-desktop flag
};

class TFormSendTo : public TDialog {
public:
    static constexpr int kIdPathLabel = 100;
    static constexpr int kIdEdtRecordPath = 101;
    static constexpr int kIdBtnBrowse = 102;
    static constexpr int kIdBtnOpenFolder = 103;
    static constexpr int kIdRenameLabel = 104;
    static constexpr int kIdEdtRename = 105;
    static constexpr int kIdCbAsRecordFileName = 106;
    static constexpr int kIdCbAutoLaunch = 107;

    static constexpr wchar_t kDefaultName[] = L"QuilMar";

    // desktopFolder: where exports go at first, and what counts as the desktop.
    explicit TFormSendTo(std::wstring desktopFolder);

    bool Show(HWND owner, TSendToValues& values);

private:
    void OnInit() override;
    bool OnOk() override;
    void OnEnd(bool confirmed) override;
    void OnCommand(int id, int code) override;
    void NameFromCheckBox();

    std::wstring desktop_;
    // Kept between showings.
    std::wstring path_;
    std::wstring name_ = kDefaultName;
    bool autoLaunch_ = true;
    TSendToValues* values_ = nullptr;
};

}  // namespace qm
