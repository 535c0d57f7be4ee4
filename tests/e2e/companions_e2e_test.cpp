// The companion programs of this build, run for real: the context-menu DLL in
// a host that drives it as Explorer would (both architectures where their
// loaders run) and through its COM registration, the Send To target handing
// files to the running main program, the elevation launcher's starts, and the
// link opener given two links in quick succession.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <atomic>

#include "app/product.h"
#include "base/com.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/strings.h"
#include "base/system.h"
#include "records/model.h"
#include "records/treefile.h"
#include "replay/launcher.h"
#include "setup/contextmenu.h"
#include "support/build32.h"
#include "support/installation.h"
#include "support/shortcuts.h"
#include "support/userdata.h"

using Microsoft::WRL::ComPtr;

namespace qm {
namespace {

// The command line a stand-in program noted, as arguments.
std::optional<std::vector<std::wstring>> NotedArguments(const std::wstring& program) {
    std::optional<std::string> bytes = ReadFileBytes(program + L".args");
    if (!bytes) return std::nullopt;
    std::wstring line(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / sizeof(wchar_t));
    return CommandLineArguments(line.c_str());
}

bool CopyBeside(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

using CompanionsE2E = test::RealProgramTest;

// Runs the host over a copy of the DLL in a folder with a non-ASCII name, with
// a stand-in main program beside it, and checks every step it reports.
void DriveContextMenuDll(const std::wstring& host, const std::wstring& dll) {
    test::TempDir dir;
    const std::wstring folder = dir / L"Quil \u00DCn\u4E2D";
    ASSERT_TRUE(CreateFolderTree(folder));
    const std::wstring copy = JoinPath(folder, L"QuilmarMenuDLL.dll"), stub = JoinPath(folder, L"quilmar.exe");
    ASSERT_TRUE(CopyBeside(dll, copy));
    ASSERT_TRUE(CopyBeside(JoinPath(ModuleFolder(), L"test_argrecorder.exe"), stub));
    const std::vector<std::wstring> paths{dir / L"d\u00E9j\u00E0 vu \u4E2D.txt", dir.Path(), dir / L"plain.txt"};
    ASSERT_TRUE(WriteFileReplacing(paths[0], "1") && WriteFileReplacing(paths[2], "3"));
    std::wstring args = L"\"" + copy + L"\"";
    for (const std::wstring& p : paths) args += L" \"" + p + L"\"";

    DWORD code = 0;
    const std::string output = test::RunCaptured(host, args, code);
    ASSERT_EQ(code, 0u) << output;
    std::map<std::string, std::string> v = test::OutputValues(output);
    for (const char* name : {"export.DllGetClassObject", "export.DllCanUnloadNow", "export.DllRegisterServer",
                             "export.DllUnregisterServer"})
        EXPECT_EQ(v[name], "1") << name;
    for (const char* name : {"factory", "create", "initialize", "contextmenu3", "verbw", "helpa", "measure",
                             "invoke.offset", "invoke.verb", "invoke.verbw", "canunload"})
        EXPECT_EQ(v[name], "0x00000000") << name;
    EXPECT_EQ(v["query"], "0x00000001");  // one command
    EXPECT_EQ(v["query.defaultonly"], "0x00000000");
    EXPECT_EQ(v["items"], "1 item.ownerdraw=1 item.id=100");
    EXPECT_EQ(v["verbw.text"], "QuilmarMenu");
    EXPECT_EQ(v["helpa.text"], "Quilmar menu item.");
    for (const char* name : {"verb.other", "invoke.other", "invoke.unknown"}) EXPECT_EQ(v[name], "0x80070057") << name;
    // 23 pixels high, the caption's width and 36 more wide.
    unsigned width = 0, height = 0;
    ASSERT_EQ(std::sscanf(v["measure.size"].c_str(), "%u %u", &width, &height), 2);
    EXPECT_EQ(height, 23u);
    EXPECT_GT(width, 36u + 100u);
    // Drawn in the highlight colour when selected, the menu colour otherwise;
    // the image's white is left out, its red dot is drawn.
    char highlight[8] = {}, menu[8] = {};
    ASSERT_EQ(std::sscanf(v["colours highlight"].c_str(), "%6s menu=%6s", highlight, menu), 2);
    EXPECT_EQ(v["draw.selected"],
              std::string("0x00000000 1 back=") + highlight + " corner=" + highlight + " dot=DC2828");
    EXPECT_EQ(v["draw.plain"], std::string("0x00000000 1 back=") + menu + " corner=" + menu + " dot=DC2828");

    // Invoked: the main program beside the DLL was started with "/ctmenu", and
    // the context-menu file holds the three paths, folder and all, in order.
    ASSERT_TRUE(test::WaitUntil([&] { return NotedArguments(stub).has_value(); }, 10000));
    EXPECT_EQ(NotedArguments(stub), std::vector<std::wstring>{L"/ctmenu"});
    EXPECT_EQ(ReadListFile(JoinPath(UserDataFolder(), L"ctmenu.txt")), paths);
    EXPECT_EQ(ReadFileBytes(JoinPath(UserDataFolder(), L"ctmenu.txt"))->substr(0, 2), std::string("\xFF\xFE", 2));
}

TEST_F(CompanionsE2E, ContextMenuDllInATestHost) {
    DriveContextMenuDll(JoinPath(ModuleFolder(), L"qmmenuhost.exe"), JoinPath(ModuleFolder(), L"QuilmarMenuDLL.dll"));
}

TEST_F(CompanionsE2E, ContextMenuDll32InATestHost) {
    QM_SKIP_WITHOUT_32BIT();
    DriveContextMenuDll(test::Bin32Path(L"qmmenuhost.exe"), test::Bin32Path(L"QuilmarMenuDLL.dll"));
}

HRESULT CreateHandler() {
    ComPtr<IContextMenu> handler;
    HRESULT hr = ::CoCreateInstance(CLSID_QuilmarMenu, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&handler));
    if (handler) {
        unique_hmenu menu(::CreatePopupMenu());
        // Without an initialisation there is nothing to hand over, but the item is offered.
        EXPECT_EQ(handler->QueryContextMenu(menu.get(), 0, 1, 10, CMF_NORMAL), MAKE_HRESULT(0, 0, 1));
    }
    return hr;
}

TEST_F(CompanionsE2E, TheRegisteredClassIsCreatedThroughCom) {
    test::TempDir dir;
    const std::wstring copy = dir / L"QuilmarMenuDLL.dll";
    ASSERT_TRUE(CopyBeside(JoinPath(ModuleFolder(), L"QuilmarMenuDLL.dll"), copy));
    {
        TComApartment com;
        const TRegistryPlace machine{HKEY_LOCAL_MACHINE, TRegView::Native};
        ASSERT_TRUE(RegisterContextMenuHandler(machine, copy, nullptr));
        EXPECT_EQ(CreateHandler(), S_OK);
        ASSERT_TRUE(UnregisterContextMenuHandler(machine));
        ASSERT_TRUE(RemoveContextMenuApproval(machine));
        ::CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(CreateHandler(), REGDB_E_CLASSNOTREG);
    }
    // The DLL's own registration entry points write the machine's keys of its view.
    {
        unique_hmodule dll(::LoadLibraryW(copy.c_str()));
        ASSERT_TRUE(dll);
        using Fn = HRESULT(STDAPICALLTYPE*)();
        auto reg = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(dll.get(), "DllRegisterServer")));
        auto unreg = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(dll.get(), "DllUnregisterServer")));
        ASSERT_TRUE(reg && unreg);
        ASSERT_EQ(reg(), S_OK);
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, MenuClassKeyPath() + L"\\InprocServer32", TRegView::Native, L""),
                  copy);
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, MenuHandlerKeyPath(L"*", L"Quilmar Menu"), TRegView::Native));
        ASSERT_EQ(unreg(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MenuClassKeyPath(), TRegView::Native));
        EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kShellExtensionsApproved, TRegView::Native, kQuilmarMenuClsidText));
    }
}

// Counts the saves of one file in a folder: each save moves a new copy over it.
class TSaveCounter {
public:
    TSaveCounter(const std::wstring& folder, std::wstring name) : name_(std::move(name)) {
        dir_.reset(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        thread_.reset(::CreateThread(nullptr, 0, &TSaveCounter::Run, this, 0, nullptr));
    }
    ~TSaveCounter() {
        stop_ = true;
        ::CancelSynchronousIo(thread_.get());
        ::WaitForSingleObject(thread_.get(), 5000);
    }
    int Saves() const { return saves_; }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<TSaveCounter*>(self)->Watch();
        return 0;
    }
    void Watch() {
        alignas(DWORD) BYTE buffer[16384];
        DWORD got = 0;
        while (!stop_ && dir_ &&
               ::ReadDirectoryChangesW(dir_.get(), buffer, sizeof(buffer), FALSE,
                                       FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE, &got, nullptr,
                                       nullptr)) {
            for (auto* n = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(buffer); got;) {
                std::wstring name(n->FileName, n->FileNameLength / sizeof(wchar_t));
                if (n->Action == FILE_ACTION_RENAMED_NEW_NAME && EqualsNoCase(name, name_)) ++saves_;
                if (!n->NextEntryOffset) break;
                n = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(reinterpret_cast<BYTE*>(n) + n->NextEntryOffset);
            }
        }
    }
    std::wstring name_;
    unique_hfile dir_;
    std::atomic<bool> stop_{false};
    std::atomic<int> saves_{0};
    unique_handle thread_;
};

std::vector<std::wstring> RecordPaths(const std::wstring& file) {
    TRecordModel m;
    ReadTreeFile(file, m);
    std::vector<std::wstring> paths;
    for (int i = 0; i < m.items.Count(); ++i) paths.push_back(ToLower(m.items.At(i).path));
    return paths;
}

TEST_F(CompanionsE2E, SendToHandsThreeFilesToTheRunningProgram) {
    test::Process quilmar = test::Process::Start(L"quilmar.exe", L"");
    ASSERT_NE(test::WaitForWindow(kMainWindowClass, quilmar.Id(), 20000), nullptr);
    ASSERT_TRUE(test::WaitUntil([] { return test::RecordFiles().size() == 1; }, 30000));
    const std::wstring record = test::RecordFiles()[0];
    ::Sleep(500);  // the first recording's files are all written
    test::TempDir dir;
    const std::vector<std::wstring> files{dir / L"one \u00E9.txt", dir / L"two.txt", dir / L"three \u4E2D.txt"};
    std::wstring args;
    for (const std::wstring& f : files) {
        ASSERT_TRUE(WriteFileReplacing(f, "x"));
        args += L" \"" + f + L"\"";
    }
    TSaveCounter saves(UserDataFolder(), FileNameOf(record));
    test::Process sendTo = test::Process::Start(L"quilmarmenu.exe", args);
    EXPECT_EQ(sendTo.WaitExit(20000), 0u);
    auto holdsAll = [&] {
        std::vector<std::wstring> paths = RecordPaths(record);
        for (const std::wstring& f : files)
            if (std::find(paths.begin(), paths.end(), ToLower(f)) == paths.end()) return false;
        return true;
    };
    EXPECT_TRUE(test::WaitUntil(holdsAll, 20000));
    ::Sleep(1000);
    EXPECT_EQ(saves.Saves(), 1);
    // The running copy took them: it was neither ended nor joined by another.
    EXPECT_EQ(quilmar.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(test::RecordFiles().size(), 1u);
}

TEST_F(CompanionsE2E, TheElevationLauncherStartsTheMainProgramWithWhatItUnderstands) {
    test::TempDir dir;
    const std::wstring launcher = dir / L"quilmaradmin.exe", stub = dir / L"quilmar.exe";
    ASSERT_TRUE(CopyBeside(JoinPath(ModuleFolder(), L"quilmaradmin.exe"), launcher));
    ASSERT_TRUE(CopyBeside(JoinPath(ModuleFolder(), L"test_argrecorder.exe"), stub));
    const std::pair<const wchar_t*, std::vector<std::wstring>> cases[] = {
        {L"", {L"/runasadmin"}},
        {L"/run", {L"/run_admin"}},
        {L"/ctmenu_admin", {L"/ctmenu", L"/runasadmin"}},
    };
    for (const auto& [args, expected] : cases) {
        ::DeleteFileW((stub + L".args").c_str());
        test::Process p = test::Process::Start(launcher, args);
        EXPECT_EQ(p.WaitExit(20000), 0u) << WideToUtf8(args);
        ASSERT_TRUE(test::WaitUntil([&] { return NotedArguments(stub).has_value(); }, 10000)) << WideToUtf8(args);
        EXPECT_EQ(NotedArguments(stub), expected) << WideToUtf8(args);
    }
    // With no main program beside it, it starts nothing and ends.
    ASSERT_TRUE(::DeleteFileW(stub.c_str()));
    ::DeleteFileW((stub + L".args").c_str());
    test::Process alone = test::Process::Start(launcher, L"");
    EXPECT_EQ(alone.WaitExit(20000), 0u);
    ::Sleep(300);
    EXPECT_FALSE(PathExists(stub + L".args"));
}

TEST_F(CompanionsE2E, TheLinkOpenerOpensTwoLinksHandedTenMillisecondsApart) {
    test::TempDir dir;
    const std::wstring first = dir / L"first.exe", second = dir / L"second.exe";
    for (const std::wstring& p : {first, second})
        ASSERT_TRUE(CopyBeside(JoinPath(ModuleFolder(), L"test_argrecorder.exe"), p));
    ASSERT_TRUE(test::MakeShortcut(dir / L"first.lnk", first));
    ASSERT_TRUE(test::MakeShortcut(dir / L"second.lnk", second));
    TLauncherContext context;
    context.windowsVersion = L"windows 7";
    context.userDataFolder = UserDataFolder();
    context.programFolder = ModuleFolder();  // QuilmarOpen64Link.exe of this build
    TItemLauncher launcher(context, TLauncherSeams{});
    launcher.HandLinkToOpener(dir / L"first.lnk");
    ::Sleep(10);
    launcher.HandLinkToOpener(dir / L"second.lnk");
    EXPECT_TRUE(test::WaitUntil([&] { return PathExists(first + L".args"); }, 20000));
    EXPECT_TRUE(test::WaitUntil([&] { return PathExists(second + L".args"); }, 20000));
}

}  // namespace
}  // namespace qm
