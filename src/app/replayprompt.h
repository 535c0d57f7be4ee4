// TfrmReplayWhenWinStart: the replay prompt ("Replay Settings") that "&Replay All"
// shows before it opens anything: first document or all documents of each
// group, how many items that launches, and "Don't show again".
#pragma once
#include <windows.h>

#include <string>

#include "ui/dialog.h"

namespace qm {

inline constexpr wchar_t kReplayPromptHint[] =
    L"This window will no longer display the next operation.To reset,you can go to \"Settings\",\"Replay All\","
    L"Select \"Ask for action when Replay All\"";

// What the replay command hands the prompt and takes back after a confirm.
struct TReplayPromptValues {
    std::wstring recordText;  // the record the message names
    int topLevel = 0;         // items of "open the first document"
    int total = 0;            // items of "Open all the relevant documents"
    bool replayAllChildDoc = false;
    bool dontShowAgain = false;
};

class TfrmReplayWhenWinStart : public TDialog {
public:
    static constexpr int kIdRbReplayFirstChildDoc = 100;
    static constexpr int kIdRbReplayAllChildDoc = 101;
    static constexpr int kIdMessage = 102;
    static constexpr int kIdCbDonotshow = 103;
    static constexpr int kIdHint = 104;

    // "Are you sure you want to launch these N items in '<record>'?   "
    static std::wstring MessageText(int count, const std::wstring& recordText);

    // Shows the prompt modally; true when it was confirmed (OK or Enter), and
    // then the two choices are in values.
    bool Show(HWND owner, TReplayPromptValues& values);

    // While the prompt is shown: one of its controls.
    HWND Control(int id) const { return Item(id); }

private:
    void OnInit() override;
    bool OnOk() override;
    void OnCommand(int id, int code) override;
    void UpdateMessage();

    TReplayPromptValues* values_ = nullptr;
};

}  // namespace qm
