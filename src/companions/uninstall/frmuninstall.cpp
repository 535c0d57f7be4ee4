#include "companions/uninstall/frmuninstall.h"

#include <commctrl.h>

#include "base/effects.h"
#include "base/guarded.h"
#include "base/strings.h"
#include "setup/setupnames.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace qm {

TFrmUninstall::TFrmUninstall(TUninstallSeams seams, TSelfDeleteFn selfDelete)
    : seams_(std::move(seams)), selfDelete_(std::move(selfDelete)) {}

void TFrmUninstall::Place(int id, int x, int y, int w, int h) {
    ::MoveWindow(Item(id), ::MulDiv(x, dpi_, 96), ::MulDiv(y, dpi_, 96), ::MulDiv(w, dpi_, 96), ::MulDiv(h, dpi_, 96),
                 FALSE);
}

bool TFrmUninstall::Create() {
    if (!RegisterClassOnce(kClassName, 0, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)),
                           ::GetSysColorBrush(COLOR_BTNFACE)))
        return false;
    unique_window_dc screen(nullptr);
    dpi_ = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    const int w = ::MulDiv(390, dpi_, 96), h = ::MulDiv(230, dpi_, 96);
    // Centred, then 50 pixels to the left and 30 up.
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2 - 50, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2 - 30;
    const std::wstring caption = Format(L"%ls Uninstall", kProductDisplayName);
    if (!CreateWindowObject(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, kClassName, caption.c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, x, y, w, h, nullptr, nullptr))
        return false;
    font_.reset(MakeFont(L"Tahoma", 8, FW_NORMAL, dpi_));
    HWND self = Handle();
    HFONT f = font_.get();
    CreateChild(self, 0, L"STATIC", Format(L"Are you sure you want to uninstall %ls?", kProductDisplayName).c_str(),
                WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kIdQuestion, f);
    const std::pair<int, const wchar_t*> checks[] = {{kIdCbClearDefaultSetting, L"Clear Default Settings"},
                                                     {kIdCbClearAllRecord, L"Delete All Records"},
                                                     {kIdCbDeleteExe, L"Delete Programs"}};
    for (const auto& [id, text] : checks)
        CreateChild(self, 0, L"BUTTON", text, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, id, f);
    ::SendMessageW(Item(kIdCbClearDefaultSetting), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageW(Item(kIdCbDeleteExe), BM_SETCHECK, BST_CHECKED, 0);
    CreateChild(self, 0, PROGRESS_CLASSW, L"", PBS_SMOOTH, kIdProgress, f);
    ::SendMessageW(Item(kIdProgress), PBM_SETRANGE32, 0, 60);
    CreateChild(self, WS_EX_CLIENTEDGE, L"EDIT", L"", WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                kIdProblems, f);
    CreateChild(self, 0, L"BUTTON", L"Uninstall", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kIdBtnStartUnstall, f);
    CreateChild(self, 0, L"BUTTON", L"Close", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kIdBtnClose, f);
    Place(kIdQuestion, 20, 16, 340, 34);
    Place(kIdCbClearDefaultSetting, 30, 54, 300, 20);
    Place(kIdCbClearAllRecord, 30, 78, 300, 20);
    Place(kIdCbDeleteExe, 30, 102, 300, 20);
    Place(kIdProblems, 20, 50, 345, 80);
    Place(kIdProgress, 20, 136, 345, 16);
    Place(kIdBtnStartUnstall, 175, 160, 90, 28);
    Place(kIdBtnClose, 275, 160, 90, 28);
    return true;
}

void TFrmUninstall::Show() {
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::UpdateWindow(Handle());
}

bool TFrmUninstall::Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TFrmUninstall::StartUninstall() {
    if (removing_ || removed_) return;
    removing_ = true;
    ::EnableWindow(Item(kIdBtnStartUnstall), FALSE);
    ShowControl(Item(kIdProgress), true);
    TUninstallOptions options;
    options.clearDefaultSettings = Checked(kIdCbClearDefaultSetting);
    options.deleteAllRecords = Checked(kIdCbClearAllRecord);
    options.deletePrograms = Checked(kIdCbDeleteExe);
    if (!Guarded(L"uninstall", [&] { result_ = RunUninstall(options, *this, seams_); }))
        result_.problems.push_back(L"The removal stopped on an unexpected error.");
    removing_ = false;
    if (result_.declined) {
        ::SendMessageW(Item(kIdProgress), PBM_SETPOS, 0, 0);
        ShowControl(Item(kIdProgress), false);
        ::EnableWindow(Item(kIdBtnStartUnstall), TRUE);
        return;
    }
    removed_ = true;
    ShowControl(Item(kIdProgress), false);
    if (result_.problems.empty()) {
        ::SetWindowTextW(Item(kIdQuestion), L"Uninstall was completed successfully.");
        ::SetTimer(Handle(), kTimer1, kTimer1Ms, nullptr);
        return;
    }
    std::wstring text;
    for (const std::wstring& p : result_.problems) text += p + L"\r\n";
    ::SetWindowTextW(Item(kIdQuestion), L"Uninstall finished, but not everything could be removed:");
    for (int id : {kIdCbClearDefaultSetting, kIdCbClearAllRecord, kIdCbDeleteExe}) ShowControl(Item(id), false);
    ::SetWindowTextW(Item(kIdProblems), text.c_str());
    ShowControl(Item(kIdProblems), true);
}

void TFrmUninstall::Finish() {
    // The uninstaller goes with the installation; while its entry stays, it stays too.
    if (removed_ && result_.entryRemoved && !selfDeleted_ && selfDelete_) {
        selfDeleted_ = true;
        selfDelete_(result_.selfFile, result_.foldersAfterSelf);
    }
    ::DestroyWindow(Handle());
}

void TFrmUninstall::Close() {
    if (removing_) return;  // the removal runs to its end first
    Finish();
}

void TFrmUninstall::Advance() {
    HWND bar = Item(kIdProgress);
    ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(::SendMessageW(bar, PBM_GETPOS, 0, 0) + 1), 0);
}

void TFrmUninstall::Pump() { PumpPendingMessages(); }

bool TFrmUninstall::AskToEndRunning(const std::vector<std::wstring>& running) {
    return AskOkCancel(Handle(), RunningCopiesQuestion(running, L"It will be closed before it is removed. Go on?"),
                       Format(L"%ls Uninstall", kProductDisplayName));
}

LRESULT TFrmUninstall::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case kIdBtnStartUnstall: StartUninstall(); break;
                case kIdBtnClose:
                case IDCANCEL: Close(); break;
                default: break;
            }
            return 0;
        case WM_TIMER:
            if (wp == kTimer1) {
                ::KillTimer(Handle(), kTimer1);
                Finish();
            }
            return 0;
        case WM_CLOSE: Close(); return 0;
        case WM_DESTROY: ::PostQuitMessage(0); return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace qm
