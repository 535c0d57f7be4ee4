// TFrmUninstall: the uninstaller's window. It asks whether to uninstall, offers
// three options, and runs the removal (uninstaller.h) when the start button is
// pressed. After a removal without problems it says so and, three seconds
// later, starts its own deletion and closes; problems are listed instead, and
// the deletion starts when the window is closed.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_any.h"
#include "companions/uninstall/uninstaller.h"
#include "ui/window.h"

namespace qm {

class TFrmUninstall : public TWindowBase, private IUninstallHost {
public:
    static constexpr wchar_t kClassName[] = L"TFrmUninstall";
    static constexpr UINT_PTR kTimer1 = 1;
    static constexpr UINT kTimer1Ms = 3000;
    enum : int {
        kIdQuestion = 100,
        kIdCbClearDefaultSetting,
        kIdCbClearAllRecord,
        kIdCbDeleteExe,
        kIdProgress,
        kIdProblems,
        kIdBtnStartUnstall,
        kIdBtnClose,
    };

    // selfDelete: starts the deletion of the uninstaller's own file and folders.
    using TSelfDeleteFn = std::function<bool(const std::wstring& file, const std::vector<std::wstring>& folders)>;
    TFrmUninstall(TUninstallSeams seams, TSelfDeleteFn selfDelete);

    bool Create();
    void Show();
    HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
    const TUninstallResult& Result() const { return result_; }
    // The start button's work.
    void StartUninstall();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Place(int id, int x, int y, int w, int h);
    bool Checked(int id) const;
    void Finish();
    void Close();

    void Advance() override;
    void Pump() override;
    bool AskToEndRunning(const std::vector<std::wstring>& running) override;

    TUninstallSeams seams_;
    TSelfDeleteFn selfDelete_;
    TUninstallResult result_;
    bool removing_ = false, removed_ = false, selfDeleted_ = false;
    int dpi_ = 96;
    unique_hfont font_;
};

}  // namespace qm
