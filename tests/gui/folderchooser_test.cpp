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

// A private folder at the top of drive C:. Wine's folder browser does not
// find the first folder it is asked to select inside the user's profile
// (it stops at the profile folder), so the temporary folder is not used here.
class TFolderOnDrive : public test::TempDir {
public:
    TFolderOnDrive() : test::TempDir(L"C:\\") {}
};

std::wstring WithoutTrailingBackslash(std::wstring s) {
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

// The browser shows the caption, starts on the given folder (Program Files
// when there is none) and returns what is selected when the user confirms;
// nothing when the user cancels.
TEST(FolderChooser, StartsOnTheFolderAndReturnsTheChoice) {
    TFolderOnDrive folder;
    // Folder names outside the ANSI code page must survive the selection.
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
        bool captionShown = false;
        TDialogScript::Start([] { return ::GetActiveWindow(); }, {[&] {
                                 HWND browser = ::GetActiveWindow();
                                 for (HWND w = ::GetWindow(browser, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
                                     if (test::WindowText(w) == caption) captionShown = true;
                                 }
                                 ::PostMessageW(browser, WM_COMMAND, c.button, 0);
                                 return true;
                             }});
        std::wstring chosen = ChooseFolder(nullptr, caption, c.initial);
        EXPECT_TRUE(TDialogScript::Completed()) << WideToUtf8(c.initial);
        EXPECT_TRUE(captionShown) << WideToUtf8(c.initial);
        EXPECT_TRUE(EqualsNoCase(WithoutTrailingBackslash(chosen), c.expected))
            << "initial [" << WideToUtf8(c.initial) << "] got [" << WideToUtf8(chosen) << "]";
    }
}

}  // namespace
}  // namespace qm
