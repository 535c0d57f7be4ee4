#include "app/aboutbox.h"

#include <gtest/gtest.h>

#include "gui/dialogscript.h"

namespace qm {
namespace {

using test::PressKey;
using test::ShownText;
using test::TDialogScript;
using test::Visible;

TEST(AboutBox, ShowsTheProductAndClosesOnEnterOrEscape) {
    for (UINT key : {VK_ESCAPE, VK_RETURN}) {
        int opened = 0;
        TAboutBox box([&](HWND, const std::wstring&) { ++opened; });
        std::wstring caption, product, version, notice, link;
        TDialogScript::Start([&box] { return box.Handle(); }, {[&] {
                                 HWND dlg = box.Handle();
                                 caption = test::WindowText(dlg);
                                 product = test::WindowText(::GetDlgItem(dlg, TAboutBox::kIdProduct));
                                 version = test::WindowText(::GetDlgItem(dlg, TAboutBox::kIdVersion));
                                 notice = test::WindowText(::GetDlgItem(dlg, TAboutBox::kIdNotice));
                                 link = test::WindowText(::GetDlgItem(dlg, TAboutBox::kIdLink));
                                 EXPECT_TRUE(Visible(::GetDlgItem(dlg, IDOK)));
                                 EXPECT_EQ(test::LayoutProblems(dlg), std::vector<std::string>{});
                                 PressKey(::GetFocus(), key);
                                 return true;
                             }});
        box.Show(nullptr);
        EXPECT_TRUE(TDialogScript::Completed());
        EXPECT_EQ(caption, L"About Quilmar");
        EXPECT_EQ(product, L"QuilMar 3.0 ");
        EXPECT_EQ(version, L"Version : 3.0.145");
        EXPECT_FALSE(notice.empty());
        EXPECT_NE(link.find(L"https://www.quilmar.com"), std::wstring::npos) << link;
        EXPECT_EQ(opened, 0);
    }
}

// Clicking the link asks for the home page to be opened; the box stays up.
TEST(AboutBox, LinkOpensTheHomePage) {
    std::vector<std::wstring> opened;
    TAboutBox box([&](HWND, const std::wstring& address) { opened.push_back(address); });
    bool stillOpen = false;
    TDialogScript::Start([&box] { return box.Handle(); }, {[&] {
                                                               HWND link =
                                                                   ::GetDlgItem(box.Handle(), TAboutBox::kIdLink);
                                                               LPARAM at = MAKELPARAM(6, 4);
                                                               ::PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, at);
                                                               ::PostMessageW(link, WM_LBUTTONUP, 0, at);
                                                               return true;
                                                           },
                                                           [&] {
                                                               stillOpen = Visible(box.Handle());
                                                               PressKey(::GetFocus(), VK_ESCAPE);
                                                               return true;
                                                           }});
    box.Show(nullptr);
    EXPECT_TRUE(TDialogScript::Completed());
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(opened, std::vector<std::wstring>{L"https://www.quilmar.com"});
}

}  // namespace
}  // namespace qm
