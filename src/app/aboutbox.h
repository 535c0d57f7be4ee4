// The about box ("About Quilmar"): product name, version, a notice and a link to
// the product's home page. Enter and Escape close it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/unique_any.h"
#include "ui/dialog.h"

namespace qm {

class TAboutBox : public TDialog {
public:
    static constexpr int kIdProduct = 100;
    static constexpr int kIdVersion = 101;
    static constexpr int kIdNotice = 102;
    static constexpr int kIdLink = 103;

    // Opens a web address for the box's owner window.
    using TOpener = std::function<void(HWND owner, const std::wstring& address)>;
    // The shell's "Open" verb: the user's browser shows the page.
    static void OpenWithShell(HWND owner, const std::wstring& address);

    explicit TAboutBox(TOpener openPage = &TAboutBox::OpenWithShell);

    // Shows the box modally until it is closed.
    void Show(HWND owner);

private:
    void OnInit() override;
    bool OnNotify(const NMHDR& hdr) override;

    TOpener openPage_;
    unique_hfont titleFont_;
};

// Shows the about box once.
void ShowAboutBox(HWND owner);

}  // namespace qm
