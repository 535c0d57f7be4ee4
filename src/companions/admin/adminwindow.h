// The elevation launcher's window: a small window with one line of text,
// shown for the second its timer waits before the launcher does its work and
// ends.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_any.h"
#include "companions/admin/adminlauncher.h"
#include "ui/window.h"

namespace qm {

class TAdminLauncherWindow : public TWindowBase {
public:
    static constexpr wchar_t kClassName[] = L"TForm1";
    static constexpr wchar_t kCaption[] = L"Run QuilMar as Administrator";
    static constexpr UINT_PTR kTimer = 1;
    static constexpr UINT kTimerMs = 1000;
    static constexpr int kIdLabel = 100;

    TAdminLauncherWindow(std::vector<std::wstring> args, TAdminLaunchSeams seams);
    bool Create();
    // Shows the window and starts the timer.
    void Show();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::vector<std::wstring> args_;
    TAdminLaunchSeams seams_;
    unique_hfont font_;
};

}  // namespace qm
