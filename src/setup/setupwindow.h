// TQuilmarSetupWindow: the setup program's one window. It shows the install
// folder (changed only through Browse), five options, the end-user agreement,
// and the Install and Cancel buttons; Install runs the install step (installer.h)
// and closes the window when everything was done. Cancel, or closing the
// window, during the step takes effect when the step has finished.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/unique_any.h"
#include "setup/installer.h"
#include "ui/window.h"

namespace qm {

class TQuilmarSetupWindow : public TWindowBase, private IInstallHost {
public:
    static constexpr wchar_t kClassName[] = L"TQuilmarSetupWindow";
    static constexpr wchar_t kApplicationTitle[] = L"QuilMar Setup";
    enum : int {
        kIdLabel1 = 100,
        kIdGroupBox1,
        kIdEdtPicPath,
        kIdBtnSelectDir,
        kIdCbAddToDeskTop,
        kIdCbRunWhenWindowsStart,
        kIdCbRunNow,
        kIdCbContextMenuEntry,
        kIdCbQuickStart,
        kIdGauge1,
        kIdLblHint,
        kIdBtnNext,
        kIdBtnClose,
        kIdGroupBox2,
        kIdMemo1,
    };

    explicit TQuilmarSetupWindow(TInstallSeams seams = TInstallSeams::Real());
    ~TQuilmarSetupWindow() override;

    bool Create();
    // Brings the window to the front and fades it in.
    void ShowFirst();
    // Enter acts as Install while the Install button shows; Tab moves between
    // the controls. True when the message was used.
    bool PreTranslate(MSG& msg);

    HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
    bool Installing() const { return installing_; }
    const TInstallResult& LastResult() const { return lastResult_; }
    // Runs the install step as the Install button does.
    void Install();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CreateControls();
    void Place(int id, int x, int y, int w, int h);
    void OnCommand(int id);
    void OnFirstActivation();
    void Browse();
    void RequestClose();
    void ShowInUseBalloon();
    void ShowProblems(const std::vector<std::wstring>& problems, const std::wstring& heading);
    bool Checked(int id) const;

    // IInstallHost
    void Advance() override;
    void SetProgress(int position) override;
    void Pump() override;
    void SetHint(const std::wstring& text) override;
    void DisableOptions() override;
    bool AskToEndRunning(const std::vector<std::wstring>& running) override;

    TInstallSeams seams_;
    bool firstActivation_ = true;
    bool installing_ = false;
    bool closeRequested_ = false;
    TInstallResult lastResult_;
    int dpi_ = 96;
    unique_hfont font_;
    unique_hbrush background_;
};

}  // namespace qm
