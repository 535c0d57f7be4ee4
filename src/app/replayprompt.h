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

class TfrmReplayWhenWinStart : public TDialogBase {
public:
    static constexpr int kIdRbReplayFirstChildDoc = 100;
    static constexpr int kIdRbReplayAllChildDoc = 101;
    static constexpr int kIdMessage = 102;
    static constexpr int kIdCbDonotshow = 103;
    static constexpr int kIdHint = 104;

    // "Are you sure you want to launch these N items in '<record>'?   "
    static std::wstring MessageText(int count, const std::wstring& recordText);

    // Set by the replay command before the prompt is shown.
    void SetRecordText(const std::wstring& text) { recordText_ = text; }
    void SetCounts(int topLevel, int total) {
        topLevel_ = topLevel;
        total_ = total;
    }
    void SetReplayAllChildDoc(bool on) { replayAllChildDoc_ = on; }
    void SetDontShowAgain(bool on) { dontShowAgain_ = on; }

    const std::wstring& RecordText() const { return recordText_; }
    // The choices as the prompt was confirmed (or as set before).
    bool ReplayAllChildDoc() const { return replayAllChildDoc_; }
    bool DontShowAgain() const { return dontShowAgain_; }

    // Shows the prompt modally; true when it was confirmed (OK or Enter).
    bool Show(HWND owner);
    bool Confirmed() const { return confirmed_; }

    // While the prompt is shown: one of its controls.
    HWND Control(int id) const { return ::GetDlgItem(Handle(), id); }

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool Checked(int id) const;
    void UpdateMessage();
    void UpdateHint();

    std::wstring recordText_;
    int topLevel_ = 0;
    int total_ = 0;
    bool replayAllChildDoc_ = false;
    bool dontShowAgain_ = false;
    bool confirmed_ = false;
};

}  // namespace qm
