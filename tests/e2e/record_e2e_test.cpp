// The real program records a real desktop: notepad with a document open.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/product.h"
#include "base/files.h"
#include "base/strings.h"
#include "records/model.h"
#include "records/treefile.h"
#include "support/process.h"
#include "support/shortcuts.h"
#include "support/tempdir.h"
#include "support/userdata.h"

namespace qm {
namespace {

// The captions under the top-level node whose item is the program, or nothing.
std::optional<std::vector<std::wstring>> DocumentsUnder(const std::wstring& recordFile, const std::wstring& program) {
    TRecordModel m;
    ReadTreeFile(recordFile, m);
    for (const auto& top : m.all.TopNodes()) {
        if (!m.items.IsValid(top->Index()) || !EqualsNoCase(m.items.At(top->Index()).path, program)) continue;
        std::vector<std::wstring> docs;
        for (const auto& child : top->Children()) docs.push_back(m.items.At(child->Index()).path);
        return docs;
    }
    return std::nullopt;
}

class RecordE2E : public test::RealProgramTest {
protected:
    void TearDown() override {
        RealProgramTest::TearDown();
        notepad.Kill();
        if (!recentLink.empty()) ::DeleteFileW(recentLink.c_str());
    }
    test::Process notepad;
    std::wstring recentLink;
};

TEST_F(RecordE2E, NotepadWithItsDocumentIsRecordedAtFirstStartAndByScanAndAdd) {
    test::TempDir docs;
    std::wstring doc = docs / L"notes \u00FC.txt";
    ASSERT_TRUE(WriteFileReplacing(doc, "hello"));
    // The user opened it, so Windows lists it among the recent documents.
    recentLink = JoinPath(SpecialFolder(CSIDL_RECENT), L"qm-e2e notes \u00FC.txt.lnk");
    ASSERT_TRUE(test::MakeShortcut(recentLink, doc));
    std::wstring program = JoinPath(SpecialFolder(CSIDL_SYSTEM), L"notepad.exe");
    notepad = test::Process::Start(program, L"\"" + doc + L"\"");
    ASSERT_TRUE(notepad.Started());
    ASSERT_NE(test::WaitForWindow(L"Notepad", notepad.Id(), 20000), nullptr);

    // An empty record folder: the first start records the desktop.
    test::Process quilmar = test::Process::Start(L"quilmar.exe", L"");
    HWND window = test::WaitForWindow(kMainWindowClass, quilmar.Id(), 20000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(test::WaitUntil([] { return test::RecordFiles().size() == 1; }, 30000));
    auto first = DocumentsUnder(test::RecordFiles()[0], program);
    ASSERT_TRUE(first.has_value()) << "notepad is not a top-level item";
    EXPECT_NE(std::find_if(first->begin(), first->end(), [&](const auto& p) { return EqualsNoCase(p, doc); }),
              first->end());

    // "Scan and Add" pressed in the real window makes a second record of the same desktop.
    HWND button = ::FindWindowExW(window, nullptr, L"Button", L"&Record");
    ASSERT_NE(button, nullptr);
    // A click while the first run still finishes is ignored (a run never starts
    // inside a run): click until the second record is there.
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            if (test::RecordFiles().size() >= 2) return true;
            ::SendMessageW(button, BM_CLICK, 0, 0);
            return test::WaitUntil([] { return test::RecordFiles().size() >= 2; }, 2000);
        },
        30000))
        << test::RecordFiles().size() << " records";
    ::Sleep(300);
    auto second = DocumentsUnder(test::RecordFiles()[1], program);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(ReadFileBytes(test::RecordFiles()[1]).value_or("1"), ReadFileBytes(test::RecordFiles()[0]).value_or("2"));

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(quilmar.WaitExit(20000), 0u);
}

}  // namespace
}  // namespace qm
