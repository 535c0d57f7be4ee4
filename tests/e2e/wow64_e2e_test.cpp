// The shipped 32-bit quilmar.exe on 64-bit Windows: it records 32-bit and
// 64-bit programs by their real paths (the 64-bit one through the process
// image name, as a 32-bit process cannot read its modules), starts a program
// of the system folder as that program and not its 32-bit twin (the file
// system redirection guard), and hands shortcuts to the 64-bit link opener.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/commands.h"
#include "app/product.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "records/model.h"
#include "records/settings.h"
#include "records/treefile.h"
#include "replay/launcher.h"
#include "support/build32.h"
#include "support/process.h"
#include "support/shortcuts.h"
#include "support/userdata.h"

namespace qm {
namespace {

std::vector<std::wstring> RecordedPaths(const std::wstring& file) {
    TRecordModel m;
    ReadTreeFile(file, m);
    std::vector<std::wstring> paths;
    for (int i = 0; i < m.items.Count(); ++i) paths.push_back(ToLower(m.items.At(i).path));
    return paths;
}

std::wstring WindowsFolder() {
    wchar_t buf[MAX_PATH] = {};
    ::GetWindowsDirectoryW(buf, MAX_PATH);
    return ToLower(buf);
}

// The image paths of the running notepads, by process id.
std::map<DWORD, std::wstring> Notepads() {
    std::map<DWORD, std::wstring> out;
    unique_hfile snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return out;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = ::Process32FirstW(snap.get(), &pe); ok; ok = ::Process32NextW(snap.get(), &pe)) {
        if (!EqualsNoCase(pe.szExeFile, L"notepad.exe")) continue;
        unique_handle p(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID));
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (p && ::QueryFullProcessImageNameW(p.get(), 0, image, &size)) out[pe.th32ProcessID] = ToLower(image);
    }
    return out;
}

void EndNotepads(const std::map<DWORD, std::wstring>& keep) {
    for (const auto& [pid, image] : Notepads()) {
        if (keep.count(pid)) continue;
        unique_handle p(::OpenProcess(PROCESS_TERMINATE, FALSE, pid));
        if (p) ::TerminateProcess(p.get(), 0);
    }
}

class Wow64E2E : public test::RealProgramTest {
protected:
    void TearDown() override {
        test::RealProgramTest::TearDown();
        EndNotepads(before_);
    }
    std::map<DWORD, std::wstring> before_ = Notepads();
};

TEST_F(Wow64E2E, Records32And64BitProgramsByTheirRealPaths) {
    QM_SKIP_WITHOUT_32BIT();
    const std::wstring win = WindowsFolder();
    test::Process notepad32 = test::Process::Start(win + L"\\syswow64\\notepad.exe", L"");
    test::Process notepad64 = test::Process::Start(win + L"\\system32\\notepad.exe", L"");
    ASSERT_NE(test::WaitForWindow(L"Notepad", notepad32.Id(), 20000), nullptr);
    ASSERT_NE(test::WaitForWindow(L"Notepad", notepad64.Id(), 20000), nullptr);

    test::Process quilmar = test::Process::Start(test::Bin32Path(L"quilmar.exe"), L"");
    ASSERT_NE(test::WaitForWindow(kMainWindowClass, quilmar.Id(), 20000), nullptr);
    ASSERT_TRUE(test::WaitUntil([] { return test::RecordFiles().size() == 1; }, 30000));
    std::vector<std::wstring> paths = RecordedPaths(test::RecordFiles()[0]);
    auto has = [&](const std::wstring& p) { return std::find(paths.begin(), paths.end(), p) != paths.end(); };
    EXPECT_TRUE(has(win + L"\\syswow64\\notepad.exe"));
    // The 64-bit notepad's modules cannot be read from a 32-bit process: its
    // image name gives the path, not the redirected 32-bit folder.
    EXPECT_TRUE(has(win + L"\\system32\\notepad.exe"));
}

TEST_F(Wow64E2E, ReplayStartsTheSystemProgramItselfAndHandsShortcutsToTheLinkOpener) {
    QM_SKIP_WITHOUT_32BIT();
    const std::wstring win = WindowsFolder();
    std::wstring target = JoinPath(UserDataFolder(), L"linked \u00E9.txt");
    ASSERT_TRUE(WriteFileReplacing(target, "x"));
    std::wstring link = JoinPath(UserDataFolder(), L"linked.lnk");
    ASSERT_TRUE(test::MakeShortcut(link, target));

    TRecordModel model;
    for (const std::wstring& path : {win + L"\\system32\\notepad.exe", link}) {
        int index = model.items.Append();
        model.items.At(index).path = path;
        model.items.At(index).docType = kDocAppOrFile;
        model.all.Add(nullptr, FileNameOf(path), index);
    }
    ASSERT_TRUE(WriteTreeFile(JoinPath(UserDataFolder(), L"Dec 01,2026_001.quilmar"), model, L"quilmar"));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"default", L"CbShowSettingsWhenReplay", L"0",
                                             JoinPath(UserDataFolder(), L"defualt.ini").c_str()));

    test::Process quilmar = test::Process::Start(test::Bin32Path(L"quilmar.exe"), L"");
    HWND window = test::WaitForWindow(kMainWindowClass, quilmar.Id(), 20000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(test::WaitForRecordList(window, 1));
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(CmReplayAll, 0), 0);

    // The notepad started is the 64-bit one of the system folder.
    std::wstring started;
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            for (const auto& [pid, image] : Notepads())
                if (!before_.count(pid)) started = image;
            return !started.empty();
        },
        20000));
    EXPECT_EQ(started, win + L"\\system32\\notepad.exe");
    // The shortcut went to the link opener through its hand-off file.
    std::wstring handoff = JoinPath(UserDataFolder(), kLinkHandoffFileName);
    ASSERT_TRUE(test::WaitUntil([&] { return IsExistingFile(handoff); }, 20000));
    EXPECT_EQ(ReadListFile(handoff).value_or(std::vector<std::wstring>{}), std::vector<std::wstring>{link});
}

}  // namespace
}  // namespace qm
