#include "setup/setupwindow.h"

#include <commctrl.h>
#include <shlobj.h>

#include "base/effects.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/strings.h"
#include "setup/balloon.h"
#include "setup/productentries.h"
#include "setup/setupnames.h"
#include "ui/controls.h"
#include "ui/folderchooser.h"
#include "ui/ownerdraw.h"

namespace qm {

namespace {

constexpr int kWidth = 609;
constexpr int kHeight = 449;
constexpr COLORREF kBackground = 16710389;  // red 245, green 250, blue 254
constexpr int kButtonBarTop = 362;

constexpr wchar_t kAgreement[] =
    L"END-USER LICENSE AGREEMENT FOR QUILMAR\r\n\r\n"
    L"Please read this agreement carefully before you install QuilMar. By installing, copying or otherwise "
    L"using QuilMar you agree to be bound by its terms.\r\n\r\n"
    L"1. Grant. You may install and use QuilMar on any number of computers you own or control.\r\n\r\n"
    L"2. Restrictions. You may not rent, lease or sell QuilMar, nor remove any notice of its authors from it.\r\n\r\n"
    L"3. Your data. QuilMar records what is open on your desktop into files in your Documents folder. The records "
    L"stay on your computer; the only network access is the update check and the title of a web page you add.\r\n\r\n"
    L"4. No warranty. QuilMar is provided \"as is\", without warranty of any kind. The authors are not liable for "
    L"any damage that comes from using it.\r\n\r\n"
    L"5. Removal. You may remove QuilMar at any time with its uninstaller; your records stay unless you choose "
    L"to delete them.\r\n";

std::wstring Welcome() {
    return Format(
        L"Setup will install %ls in the following folder,To install in a different folder,click Browse "
        L"and select  another folder,Click Next to continue.",
        kProductDisplayName);
}

std::wstring DefaultInstallFolder() {
    return Format(L"%ls\\%ls", SpecialFolder(CSIDL_PROGRAM_FILES).c_str(), kProductKeyName);
}

const wchar_t* PictureCaption(int id) {
    switch (id) {
        case TQuilmarSetupWindow::kIdBtnSelectDir: return L"Browse...";
        case TQuilmarSetupWindow::kIdBtnNext: return L"Install";
        default: return nullptr;
    }
}

}  // namespace

TQuilmarSetupWindow::TQuilmarSetupWindow(TInstallSeams seams)
    : seams_(std::move(seams)), background_(::CreateSolidBrush(kBackground)) {}

TQuilmarSetupWindow::~TQuilmarSetupWindow() { HideBalloon(); }

bool TQuilmarSetupWindow::Create() {
    if (!RegisterClassOnce(kClassName, 0, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)),
                           background_.get()))
        return false;
    unique_window_dc screen(nullptr);
    dpi_ = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    const int w = ::MulDiv(kWidth, dpi_, 96), h = ::MulDiv(kHeight, dpi_, 96);
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    if (!CreateWindowObject(WS_EX_CONTROLPARENT, kClassName, InstallerCaption(UserDecimalSeparator()).c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, x, y, w, h,
                            nullptr, nullptr))
        return false;
    font_.reset(MakeFont(L"Arial", 8, FW_NORMAL, dpi_));
    CreateControls();
    return true;
}

void TQuilmarSetupWindow::Place(int id, int x, int y, int w, int h) {
    ::MoveWindow(Item(id), ::MulDiv(x, dpi_, 96), ::MulDiv(y, dpi_, 96), ::MulDiv(w, dpi_, 96), ::MulDiv(h, dpi_, 96),
                 FALSE);
}

void TQuilmarSetupWindow::CreateControls() {
    HWND self = Handle();
    HFONT f = font_.get();
    const DWORD shown = WS_VISIBLE;
    CreateChild(self, 0, L"STATIC", Welcome().c_str(), shown | SS_LEFT | SS_NOPREFIX, kIdLabel1, f);
    CreateChild(self, 0, L"BUTTON", L"Destination Folder", shown | BS_GROUPBOX, kIdGroupBox1, f);
    CreateChild(self, WS_EX_CLIENTEDGE, L"EDIT", DefaultInstallFolder().c_str(), shown | WS_DISABLED | ES_AUTOHSCROLL,
                kIdEdtPicPath, f);
    CreateChild(self, 0, L"BUTTON", L"Browse...", shown | WS_TABSTOP | BS_OWNERDRAW, kIdBtnSelectDir, f);
    const std::pair<int, const wchar_t*> checks[] = {
        {kIdCbAddToDeskTop, L"Create a desktop icon"},    {kIdCbRunWhenWindowsStart, L"Launch at windows startup"},
        {kIdCbRunNow, L"Launch after Installation"},      {kIdCbContextMenuEntry, L"Context Menu Entry"},
        {kIdCbQuickStart, L"Create a Quick Launch Icon"},
    };
    for (const auto& [id, text] : checks) {
        CreateChild(self, 0, L"BUTTON", text, shown | WS_TABSTOP | BS_AUTOCHECKBOX, id, f);
        ::SendMessageW(Item(id), BM_SETCHECK, BST_CHECKED, 0);
    }
    CreateChild(self, 0, PROGRESS_CLASSW, L"", PBS_SMOOTH, kIdGauge1, f);
    ::SendMessageW(Item(kIdGauge1), PBM_SETRANGE32, 1, 100);
    ::SendMessageW(Item(kIdGauge1), PBM_SETPOS, 1, 0);
    CreateChild(self, 0, L"STATIC", L"", shown | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kIdLblHint, f);
    CreateChild(self, 0, L"BUTTON", L"Install", shown | WS_TABSTOP | BS_OWNERDRAW, kIdBtnNext, f);
    CreateChild(self, 0, L"BUTTON", L"Cancel", shown | WS_TABSTOP | BS_OWNERDRAW, kIdBtnClose, f);
    CreateChild(self, 0, L"BUTTON",
                L"License Agreement  -  You must agree accept the terms of this agreement before continuing with "
                L"the installation.",
                shown | BS_GROUPBOX, kIdGroupBox2, f);
    CreateChild(self, WS_EX_CLIENTEDGE, L"EDIT", kAgreement,
                shown | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, kIdMemo1, f);

    Place(kIdLabel1, 20, 12, 565, 30);
    Place(kIdGroupBox1, 20, 46, 565, 58);
    Place(kIdEdtPicPath, 34, 68, 436, 22);
    Place(kIdBtnSelectDir, 480, 66, 92, 26);
    Place(kIdCbAddToDeskTop, 26, 112, 260, 20);
    Place(kIdCbRunWhenWindowsStart, 26, 134, 260, 20);
    Place(kIdCbRunNow, 26, 156, 260, 20);
    Place(kIdCbContextMenuEntry, 300, 112, 260, 20);
    Place(kIdCbQuickStart, 300, 134, 260, 20);
    Place(kIdGroupBox2, 20, 182, 565, 172);
    Place(kIdMemo1, 32, 202, 541, 142);
    Place(kIdGauge1, 20, kButtonBarTop + 6, 340, 16);
    Place(kIdLblHint, 20, kButtonBarTop + 28, 360, 18);
    Place(kIdBtnNext, 388, kButtonBarTop + 6, 95, 30);
    Place(kIdBtnClose, 490, kButtonBarTop + 6, 95, 30);

    ShowControl(Item(kIdCbRunWhenWindowsStart), true);
    const bool vista = seams_.osName == L"windows vista";
    ShowControl(Item(kIdCbRunNow), !vista);
    ::SendMessageW(Item(kIdCbRunNow), BM_SETCHECK, vista ? BST_UNCHECKED : BST_CHECKED, 0);
}

void TQuilmarSetupWindow::ShowFirst() {
    ::SetForegroundWindow(Handle());
    // The fade shows the window; where it cannot run the window is shown plainly.
    if (!::AnimateWindow(Handle(), 500, AW_BLEND) || !::IsWindowVisible(Handle())) ::ShowWindow(Handle(), SW_SHOW);
    ::UpdateWindow(Handle());
}

bool TQuilmarSetupWindow::PreTranslate(MSG& msg) {
    if (!Handle() || (msg.hwnd != Handle() && !::IsChild(Handle(), msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        if (!installing_ && ::IsWindowVisible(Item(kIdBtnNext))) Install();
        return true;
    }
    return ::IsDialogMessageW(Handle(), &msg) != FALSE;
}

bool TQuilmarSetupWindow::Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TQuilmarSetupWindow::OnFirstActivation() {
    if (!firstActivation_) return;
    firstActivation_ = false;
    RECT button{};
    ::GetWindowRect(Item(kIdBtnNext), &button);
    ShowBalloon(button.left + 75, button.bottom + 18, kBalloonTopLeft, 20, kBalloonInfo,
                L"Please click Install to continue",
                L"To install in a different folder,click Browser and select a folder");
}

void TQuilmarSetupWindow::Browse() {
    HideBalloon();
    std::wstring current(static_cast<size_t>(::GetWindowTextLengthW(Item(kIdEdtPicPath))) + 1, L'\0');
    current.resize(
        static_cast<size_t>(::GetWindowTextW(Item(kIdEdtPicPath), current.data(), static_cast<int>(current.size()))));
    std::wstring chosen = ChooseFolder(Handle(), current, current);
    if (Trim(chosen).empty()) return;
    // The chosen folder itself is the install folder; no product folder is added.
    ::SetWindowTextW(Item(kIdEdtPicPath), NormaliseInstallFolder(chosen).c_str());
}

void TQuilmarSetupWindow::ShowInUseBalloon() {
    HideBalloon();
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ShowBalloon(cursor.x, cursor.y + 8, kBalloonTopLeft, 20, kBalloonInfo,
                Format(L"Make sure %ls is completely shutdown before update.", kProductDisplayName),
                Format(L"        After shutdown %ls,please click Install to coninue.", kProductDisplayName));
}

void TQuilmarSetupWindow::ShowProblems(const std::vector<std::wstring>& problems, const std::wstring& heading) {
    SetHint(heading);
    std::wstring text;
    for (const std::wstring& p : problems) text += p + L"\r\n";
    ::SetWindowTextW(Item(kIdGroupBox2), heading.c_str());
    ::SetWindowTextW(Item(kIdMemo1), text.c_str());
}

void TQuilmarSetupWindow::Install() {
    if (installing_) return;
    installing_ = true;
    HideBalloon();
    ShowControl(Item(kIdBtnNext), false);
    ShowControl(Item(kIdGauge1), true);
    SetHint(L"");
    Pump();
    TInstallOptions options;
    std::wstring folder(static_cast<size_t>(::GetWindowTextLengthW(Item(kIdEdtPicPath))) + 1, L'\0');
    folder.resize(
        static_cast<size_t>(::GetWindowTextW(Item(kIdEdtPicPath), folder.data(), static_cast<int>(folder.size()))));
    options.folder = folder;
    options.desktopIcon = Checked(kIdCbAddToDeskTop);
    options.runAtStartup = Checked(kIdCbRunWhenWindowsStart);
    options.runNow = Checked(kIdCbRunNow);
    options.contextMenu = Checked(kIdCbContextMenuEntry);
    options.quickLaunch = Checked(kIdCbQuickStart);
    lastResult_ = TInstallResult{};
    if (!Guarded(L"install", [&] { lastResult_ = RunInstall(options, *this, seams_); })) {
        lastResult_.outcome = TInstallOutcome::Failed;
        lastResult_.problems.push_back(L"The installation stopped on an unexpected error.");
    }
    installing_ = false;
    switch (lastResult_.outcome) {
        case TInstallOutcome::Installed: ::DestroyWindow(Handle()); return;
        case TInstallOutcome::WithProblems:
            SetProgress(100);
            ShowProblems(lastResult_.problems, L"Installed, but these steps failed:");
            ::SetWindowTextW(Item(kIdBtnClose), L"Close");
            ::InvalidateRect(Item(kIdBtnClose), nullptr, TRUE);
            break;
        case TInstallOutcome::Declined:
            SetProgress(0);
            SetHint(L"Nothing was changed.");
            ShowControl(Item(kIdBtnNext), true);
            break;
        case TInstallOutcome::InUse:
        case TInstallOutcome::Failed:
            SetProgress(0);
            if (!lastResult_.problems.empty()) ShowProblems(lastResult_.problems, L"The installation failed:");
            ShowControl(Item(kIdBtnNext), true);
            ShowInUseBalloon();
            break;
    }
    if (closeRequested_) ::DestroyWindow(Handle());
}

void TQuilmarSetupWindow::RequestClose() {
    if (installing_) {
        closeRequested_ = true;  // the step runs to its end first
        return;
    }
    ::DestroyWindow(Handle());
}

void TQuilmarSetupWindow::OnCommand(int id) {
    switch (id) {
        case kIdBtnSelectDir:
            if (!installing_) Browse();
            break;
        case kIdBtnNext:
            if (!installing_) Install();
            break;
        case kIdBtnClose:
        case IDCANCEL: RequestClose(); break;
        default: break;
    }
}

void TQuilmarSetupWindow::Advance() {
    HWND gauge = Item(kIdGauge1);
    int position = static_cast<int>(::SendMessageW(gauge, PBM_GETPOS, 0, 0));
    ::SendMessageW(gauge, PBM_SETPOS, static_cast<WPARAM>(position < 100 ? position + 1 : 100), 0);
}

void TQuilmarSetupWindow::SetProgress(int position) {
    ::SendMessageW(Item(kIdGauge1), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void TQuilmarSetupWindow::Pump() { PumpPendingMessages(); }

void TQuilmarSetupWindow::SetHint(const std::wstring& text) { ::SetWindowTextW(Item(kIdLblHint), text.c_str()); }

void TQuilmarSetupWindow::DisableOptions() {
    for (int id : {kIdEdtPicPath, kIdCbAddToDeskTop, kIdCbRunNow, kIdCbQuickStart, kIdCbContextMenuEntry,
                   kIdCbRunWhenWindowsStart})
        ::EnableWindow(Item(id), FALSE);
}

bool TQuilmarSetupWindow::AskToEndRunning(const std::vector<std::wstring>& running) {
    return AskOkCancel(Handle(), RunningCopiesQuestion(running, L"It will be closed so that it can be updated. Go on?"),
                       kApplicationTitle);
}

LRESULT TQuilmarSetupWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) OnFirstActivation();
            return Default(msg, wp, lp);
        case WM_COMMAND: OnCommand(LOWORD(wp)); return 0;
        case WM_CLOSE: RequestClose(); return 0;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            wchar_t caption[64] = {};
            ::GetWindowTextW(item->hwndItem, caption, 64);
            const wchar_t* fixed = PictureCaption(static_cast<int>(item->CtlID));
            DrawPictureButton(*item, fixed ? fixed : caption, font_.get());
            return TRUE;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wp);
            ::SetBkColor(dc, kBackground);
            return reinterpret_cast<LRESULT>(background_.get());
        }
        case WM_DESTROY:
            HideBalloon();
            ::PostQuitMessage(0);
            return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace qm
