#include "ui/folderchooser.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "base/files.h"
#include "base/strings.h"
#include "gui/dialogscript.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using test::TDialogScript;

std::wstring WithoutTrailingBackslash(std::wstring s) {
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

// The browser starts on the given folder (Program Files when there is none)
// and returns what is selected when the user confirms; nothing on cancel.
TEST(FolderChooser, StartsOnTheFolderAndReturnsTheChoice) {
    test::TempDir folder;
    const std::wstring wide = folder / L"\u4E2D\u6587 \u00E9t\u00E9";
    ASSERT_TRUE(CreateFolderTree(wide));
    const std::wstring programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(programFiles.empty());
    struct Case {
        std::wstring initial;
        WPARAM button;
        std::wstring expected;
    };
    const Case cases[] = {
        {folder.Path(), IDOK, folder.Path()},
        {wide, IDOK, wide},
        {L"  " + folder.Path() + L"\\ ", IDOK, folder.Path()},
        {L"", IDOK, programFiles},
        {folder / L"missing", IDOK, programFiles},
        {folder.Path(), IDCANCEL, L""},
    };
    for (const Case& c : cases) {
        const std::wstring caption = L"Pick \u00E9\u4E2D " + c.initial;
        HWND browser = nullptr;
        bool captionShown = false;
        TDialogScript::Start([] { return ::GetActiveWindow(); },
                             {[&] {
                                 browser = ::GetActiveWindow();
                                 for (HWND w = ::GetWindow(browser, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                                     if (test::WindowText(w) == caption) captionShown = true;
                                 }
                                 ::PostMessageW(browser, WM_COMMAND, c.button, 0);
                                 return true;
                             }});
        std::wstring chosen = ChooseFolder(nullptr, caption, c.initial);
        EXPECT_TRUE(TDialogScript::Completed()) << c.initial;
        EXPECT_TRUE(captionShown) << c.initial;
        EXPECT_TRUE(EqualsNoCase(WithoutTrailingBackslash(chosen), c.expected))
            << "initial [" << WideToUtf8(c.initial) << "] got [" << WideToUtf8(chosen) << "]";
    }
}

}  // namespace
}  // namespace qm
