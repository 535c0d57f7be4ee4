#include "app/renamedialog.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Drives the modal dialog from a timer on the test thread: checks what it shows,
// types a name and presses a key.
struct Driver {
    static inline std::wstring typed;
    static inline UINT key = VK_RETURN;
    static inline std::wstring seenCaption, seenLabel, seenText;

    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND dlg = ::GetActiveWindow();
        if (!dlg) return;
        wchar_t buf[256] = {};
        ::GetWindowTextW(dlg, buf, 256);
        seenCaption = buf;
        ::GetDlgItemTextW(dlg, TFrmReName::kIdLabel, buf, 256);
        seenLabel = buf;
        ::GetDlgItemTextW(dlg, TFrmReName::kIdEdtName, buf, 256);
        seenText = buf;
        ::KillTimer(nullptr, id);
        HWND edit = ::GetDlgItem(dlg, TFrmReName::kIdEdtName);
        ::SetWindowTextW(edit, typed.c_str());
        ::PostMessageW(edit, WM_KEYDOWN, key, 0);
    }
};

TEST(RenameDialog, EnterAcceptsEscapeCancels) {
    struct Case {
        UINT key;
        bool accepted;
    };
    for (Case c : {Case{VK_RETURN, true}, Case{VK_ESCAPE, false}}) {
        Driver::typed = L"report \u4E2D";
        Driver::key = c.key;
        ::SetTimer(nullptr, 0, 200, &Driver::Tick);
        TFrmReName dialog;
        std::optional<std::wstring> got = dialog.Ask(nullptr, L"Dec 08,2026_001");
        EXPECT_EQ(Driver::seenCaption, L"Rename");
        EXPECT_EQ(Driver::seenLabel, L"File Name");
        EXPECT_EQ(Driver::seenText, L"Dec 08,2026_001");
        EXPECT_EQ(got.has_value(), c.accepted);
        if (got) {
            EXPECT_EQ(*got, L"report \u4E2D");
        }
    }
}

}  // namespace
}  // namespace qm
