#include "app/aboutbox.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/product.h"

namespace qm {
namespace {

constexpr short kWidth = 200;
constexpr short kMargin = 10;
constexpr short kInner = kWidth - 2 * kMargin;

}  // namespace

void TAboutBox::OpenWithShell(HWND owner, const std::wstring& address) {
    ::ShellExecuteW(owner, L"Open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

TAboutBox::TAboutBox(TOpener openPage) : openPage_(std::move(openPage)) {}

void TAboutBox::Show(HWND owner) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    std::wstring link = std::wstring(L"<a href=\"") + kHomePage + L"\">" + kHomePage + L"</a>";
    TDialogTemplate tpl(L"About Quilmar", kWidth, 98, DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    tpl.Add(kStaticAtom, L"QuilMar 3.0 ", kIdProduct, kMargin, 10, kInner, 12, SS_LEFT | SS_NOPREFIX)
        .Add(kStaticAtom, L"Version : 3.0.145", kIdVersion, kMargin, 26, kInner, 8, SS_LEFT | SS_NOPREFIX)
        .Add(kStaticAtom, L"Copyright (C) QuilMar. All rights reserved.", kIdNotice, kMargin, 40, kInner, 8,
             SS_LEFT | SS_NOPREFIX)
        .Add(WC_LINK, link, kIdLink, kMargin, 56, kInner, 10, WS_TABSTOP)
        .Add(kButtonAtom, L"Close", IDOK, kWidth - kMargin - 50, 76, 50, 14, WS_TABSTOP | BS_DEFPUSHBUTTON);
    RunModal(owner, tpl);
    titleFont_.reset();
}

INT_PTR TAboutBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            // The product name in a larger, bold variant of the dialog font.
            LOGFONTW lf{};
            HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
            if (font && ::GetObjectW(font, sizeof(lf), &lf)) {
                lf.lfWeight = FW_BOLD;
                lf.lfHeight = lf.lfHeight * 5 / 4;
                titleFont_.reset(::CreateFontIndirectW(&lf));
                if (titleFont_)
                    ::SendDlgItemMessageW(Handle(), kIdProduct, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()),
                                          FALSE);
            }
            ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(Handle(), IDOK)), TRUE);
            return FALSE;  // focus set on the close button
        }
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->idFrom == static_cast<UINT_PTR>(kIdLink) && (hdr->code == NM_CLICK || hdr->code == NM_RETURN)) {
                try {
                    if (openPage_) openPage_(Handle(), kHomePage);
                } catch (...) {
                    // a page that cannot be opened is no reason to close the box
                }
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return TDialogBase::HandleMessage(msg, wp, lp);
}

void ShowAboutBox(HWND owner) {
    TAboutBox box;
    box.Show(owner);
}

}  // namespace qm
