#include "app/aboutbox.h"

#include <commctrl.h>

#include "app/product.h"
#include "base/effects.h"
#include "base/guarded.h"

namespace qm {
namespace {

using namespace layout;

constexpr short kWidth = 200;
constexpr short kInner = kWidth - 2 * kMargin;

}  // namespace

void TAboutBox::OpenWithShell(HWND owner, const std::wstring& address) { ShellOpen(owner, L"Open", address); }

TAboutBox::TAboutBox(TOpener openPage) : openPage_(std::move(openPage)) {}

void TAboutBox::Show(HWND owner) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    std::wstring link = std::wstring(L"<a href=\"") + kHomePage + L"\">" + kHomePage + L"</a>";
    TDialogTemplate tpl(L"About Quilmar", kWidth, 98);
    tpl.Add(kStaticAtom, MainCaption() + L" ", kIdProduct, kMargin, 10, kInner, 12, SS_LEFT | SS_NOPREFIX)
        .Add(kStaticAtom, std::wstring(L"Version : ") + kProductVersionText, kIdVersion, kMargin, 26, kInner, 8,
             SS_LEFT | SS_NOPREFIX)
        .Add(kStaticAtom, L"Copyright (C) QuilMar. All rights reserved.", kIdNotice, kMargin, 40, kInner, 8,
             SS_LEFT | SS_NOPREFIX)
        .Add(WC_LINK, link, kIdLink, kMargin, 56, kInner, 10, WS_TABSTOP)
        .AddCloseButton(76, L"Close");
    RunDialog(owner, tpl);
    titleFont_.reset();
}

void TAboutBox::OnInit() {
    // The product name in a larger, bold variant of the dialog font.
    LOGFONTW lf{};
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
    if (font && ::GetObjectW(font, sizeof(lf), &lf)) {
        lf.lfWeight = FW_BOLD;
        lf.lfHeight = lf.lfHeight * 5 / 4;
        titleFont_.reset(::CreateFontIndirectW(&lf));
        if (titleFont_) ::SendMessageW(Item(kIdProduct), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
    }
    FocusItem(IDOK);
}

bool TAboutBox::OnNotify(const NMHDR& hdr) {
    if (hdr.idFrom != static_cast<UINT_PTR>(kIdLink) || (hdr.code != NM_CLICK && hdr.code != NM_RETURN)) return false;
    // A page that cannot be opened is no reason to close the box.
    Guarded(L"about box link", [&] {
        if (openPage_) openPage_(Handle(), kHomePage);
    });
    return true;
}

void ShowAboutBox(HWND owner) {
    TAboutBox box;
    box.Show(owner);
}

}  // namespace qm
