#include "setup/installer.h"

#include <memory>

#include "base/effects.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/processes.h"
#include "base/scope_exit.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/winversion.h"
#include "setup/contextmenu.h"
#include "setup/installrecord.h"
#include "setup/privatecopy.h"
#include "setup/productentries.h"
#include "setup/runningcopies.h"
#include "setup/setupnames.h"
#include "setup/sevenzip.h"
#include "setup/shortcuts.h"
#include "ui/window.h"

namespace qm {

namespace {

std::optional<std::string_view> OwnResource(const wchar_t* type, const wchar_t* name) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(self, name, type);
    HGLOBAL loaded = found ? ::LoadResource(self, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return std::nullopt;
    return std::string_view(static_cast<const char*>(data), ::SizeofResource(self, found));
}

// The install step's state: the host, the seams, what was written.
class TInstallRun : private TStepRun {
public:
    TInstallRun(const TInstallOptions& options, IInstallHost& host, const TInstallSeams& seams)
        : TStepRun(host, seams.wait),
          options_(options),
          host_(host),
          seams_(seams),
          place_{seams.machineRoot, TRegView::Native} {}

    TInstallResult Run();

private:
    TInstallResult Fail(TInstallOutcome outcome, const std::wstring& text = {}) {
        if (!text.empty()) Problem(text);
        result_.outcome = outcome;
        result_.problems = Problems();
        return result_;
    }
    enum class TGuard { Free, Declined, InUse };
    TGuard GuardRunningCopies();
    bool Unpack();
    void CreateShortcuts();
    void InstallContextMenu();
    void SetRunValue();
    void Launch();
    static HRESULT CALLBACK OnExtractProgress(void* context, bool isTotal, UINT64 value);

    const TInstallOptions& options_;
    IInstallHost& host_;
    const TInstallSeams& seams_;
    TRegistryPlace place_;
    TInstallRecord record_;
    TInstallResult result_;
    std::wstring folder_, mainProgram_;
};

TInstallRun::TGuard TInstallRun::GuardRunningCopies() {
    Wait(10);
    host_.Pump();
    if (!EndRunningCopies(folder_, seams_.runningCopies)) return TGuard::Declined;
    Step();
    // The old programs go; one that cannot means a copy still holds it.
    for (const wchar_t* program : kInstalledPrograms) {
        ::DeleteFileW(LongPathForm(folder_ + program).c_str());
        Step();
        Wait(20);
    }
    for (const wchar_t* program : kInstalledPrograms)
        if (IsExistingFile(folder_ + program)) return TGuard::InUse;
    return TGuard::Free;
}

HRESULT CALLBACK TInstallRun::OnExtractProgress(void* context, bool, UINT64) {
    auto* run = static_cast<TInstallRun*>(context);
    run->Step();
    run->Wait(2);
    return S_OK;
}

bool TInstallRun::Unpack() {
    std::optional<std::string_view> library = seams_.resource(kLibraryType, kLibraryName);
    std::optional<std::string_view> payload = seams_.resource(kPayloadType, kPayloadName);
    if (!library || !payload) {
        Problem(L"The setup program lacks the files it installs.");
        return false;
    }
    // The library goes to a private folder of its own and is loaded by full path.
    std::unique_ptr<TPrivateCopy> copy = TPrivateCopy::Write(L"7z.dll", *library);
    if (!copy) {
        Problem(L"The 7-Zip library could not be written to the temporary folder.");
        return false;
    }
    Step();
    const std::wstring archive = folder_ + kArchiveCopyName;
    if (!WriteFileReplacing(archive, *payload)) {
        Problem(L"The installation files could not be written to " + folder_ + L".");
        return false;
    }
    record_.AddFile(archive);
    Step();
    try {
        Microsoft::WRL::ComPtr<IArchiveReader> reader = CreateArchiveReader(copy->Path());
        reader->OpenArchiveFile(archive);
        reader->SetProgressHandler(this, &TInstallRun::OnExtractProgress);
        // Noted before they are written, so a half-done unpack is removed too.
        for (UINT32 i = 0, n = reader->ItemCount(); i < n; ++i)
            if (!reader->ItemIsFolder(i)) record_.AddFile(folder_ + reader->ItemPath(i));
        reader->ExtractAllToFolder(folder_);
    } catch (const T7zError& e) {
        Problem(L"The programs could not be unpacked: " + e.Message());
        return false;
    }
    return true;
}

void TInstallRun::CreateShortcuts() {
    const TLocationFolderFn folders = seams_.commonFolder;
    const std::wstring help = folder_ + ChangeExtension(kMainProgramFile, L".chm");
    const std::wstring uninstaller = folder_ + kUninstallerBaseName + L".exe";
    const std::wstring uninstallFolder = std::wstring(kProductFolderName) + L"\\Uninstall";
    bool menu = CreateCommonShortcut(mainProgram_, kProductDisplayName, kLocationCommonPrograms, kProductFolderName,
                                     &record_, folders);
    Step();
    menu &= CreateCommonShortcut(help, std::wstring(kProductDisplayName) + L" help", kLocationCommonPrograms,
                                 kProductFolderName, &record_, folders);
    Step();
    menu &= CreateCommonShortcut(uninstaller, std::wstring(L"Uninstall ") + kProductDisplayName,
                                 kLocationCommonPrograms, uninstallFolder, &record_, folders);
    if (!menu) Problem(L"The Start menu shortcuts could not all be created.");
    host_.Pump();
    Step();

    if (options_.desktopIcon) {
        std::wstring desktop = folders ? folders(kLocationCommonDesktop) : std::wstring();
        if (desktop.empty() || !CreateFolderShortcut(mainProgram_, desktop, kProductDisplayName, &record_))
            Problem(L"The desktop shortcut could not be created.");
    }
    const TAllUserControl users = seams_.users ? seams_.users() : TAllUserControl(TAllUserControl::TSeams{});
    if (options_.quickLaunch) {
        if (seams_.osName == L"windows 7") {
            std::wstring programs = folders ? folders(kLocationCommonPrograms) : std::wstring();
            std::wstring link =
                JoinPath(JoinPath(programs, kProductFolderName), std::wstring(kProductDisplayName) + L".lnk");
            if (!PinToTaskbarAndStart(nullptr, link))
                Problem(L"The program could not be pinned to the taskbar and the Start menu.");
        } else {
            std::wstring own = seams_.quickLaunchFolder ? seams_.quickLaunchFolder() : std::wstring();
            for (const std::wstring& f :
                 AddShortcutForAllUsers(users, own, kProductDisplayName, mainProgram_, &record_))
                Problem(L"The Quick Launch shortcut could not be created in " + f + L".");
        }
    }
    std::wstring sendTo = seams_.sendToFolder ? seams_.sendToFolder() : std::wstring();
    const std::wstring sendToTarget = ChangeExtension(mainProgram_, L"menu.exe");
    for (const std::wstring& f : AddShortcutForAllUsers(users, sendTo, kSendToLinkName, sendToTarget, &record_))
        Problem(L"The Send To shortcut could not be created in " + f + L".");
    Step();
}

void TInstallRun::InstallContextMenu() {
    std::optional<std::string_view> dll = seams_.resource(kMenuDllType, kMenuDllName);
    if (!dll || !InstallContextMenuDll(folder_, kContextMenuDllFile, *dll, place_, &record_))
        Problem(L"The context menu entry could not be installed.");
    // 64-bit Explorer loads only a 64-bit handler, registered in its own view.
    std::optional<std::string_view> dll64 = seams_.resource(kMenuDllType, kMenuDll64Name);
    if (seams_.windows64 && dll64 &&
        !InstallContextMenuDll(folder_, kContextMenuDll64File, *dll64, {place_.root, TRegView::Bits64}, &record_))
        Problem(L"The context menu entry for 64-bit programs could not be installed.");
    Step();
}

void TInstallRun::SetRunValue() {
    const std::wstring command = RunAtStartupCommand(mainProgram_);
    // An earlier installation's value goes first.
    bool removed = SetRunAtStartup(place_, kProductDisplayName, command, false, &record_);
    Step();
    if (options_.runAtStartup) {
        if (!SetRunAtStartup(place_, kProductDisplayName, command, true, &record_))
            Problem(L"The Windows startup entry could not be written.");
    } else if (!removed) {
        Problem(L"The Windows startup entry of an earlier installation could not be removed.");
    }
    Step();
}

void TInstallRun::Launch() {
    bool started = seams_.osName == L"windows 7" ? OpenThroughExplorer(mainProgram_, SW_HIDE)
                                                 : ShellOpen(nullptr, L"Open", mainProgram_, L"/install", SW_HIDE);
    if (!started) Problem(std::wstring(kProductDisplayName) + L" could not be started.");
}

TInstallResult TInstallRun::Run() {
    folder_ = NormaliseInstallFolder(options_.folder + L"\\");
    result_.folder = folder_;
    if (folder_.empty()) return Fail(TInstallOutcome::Failed, L"No install folder is chosen.");
    if (std::optional<TInstallRecord> earlier = LoadInstallRecord(place_.root, place_.view)) record_.Merge(*earlier);
    const std::vector<std::wstring> before = record_.Lines();
    // Whatever was written is noted for the uninstaller, however the step ends
    // (a step that wrote nothing leaves the record as it was).
    scope_exit save([this, &before] {
        if (record_.Lines() != before) SaveInstallRecord(place_.root, place_.view, record_);
    });

    std::vector<std::wstring> created;
    CreateFolderTree(folder_, &created);  // a failure shows in the steps that write there
    record_.AddFolders(created);
    for (int i = 0; i < 20; ++i) {
        host_.Advance();
        Wait(10);
        host_.Pump();
    }
    switch (GuardRunningCopies()) {
        case TGuard::Declined: return Fail(TInstallOutcome::Declined);
        case TGuard::InUse: return Fail(TInstallOutcome::InUse);
        case TGuard::Free: break;
    }
    if (!seams_.setupFolder.empty())
        ::DeleteFileW(LongPathForm(JoinPath(seams_.setupFolder, kArchiveCopyName)).c_str());
    Step();
    host_.DisableOptions();
    for (int i = 0; i < 3; ++i) host_.Pump();
    Step();
    // The main program's settings files stay: an update keeps the user's options.
    host_.Pump();
    if (!Unpack()) return Fail(TInstallOutcome::Failed);
    Step();
    mainProgram_ = folder_ + kMainProgramFile;
    Step();
    host_.SetHint(L"copying files...");
    host_.Pump();
    if (!WriteProductKey(place_, mainProgram_, &record_)) Problem(L"The product key could not be written.");
    Step();
    CreateShortcuts();
    if (!WriteUninstallEntry(place_, folder_, &record_))
        return Fail(TInstallOutcome::Failed, L"The uninstall entry could not be written.");
    if (options_.contextMenu) InstallContextMenu();
    SetRunValue();
    if (options_.runNow) Launch();
    Step();
    save.release();
    if (!SaveInstallRecord(place_.root, place_.view, record_))
        Problem(L"What was installed could not be noted for the uninstaller.");
    result_.problems = Problems();
    result_.outcome = result_.problems.empty() ? TInstallOutcome::Installed : TInstallOutcome::WithProblems;
    return result_;
}

}  // namespace

std::wstring NormaliseInstallFolder(const std::wstring& text) {
    std::wstring folder = NormaliseFolderPath(text);
    // A network path keeps its leading "\\" and gets its one trailing "\" all the same.
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

bool NeedsElevatedRestart(const std::wstring& firstArgument, const std::wstring& osName, bool isAdmin) {
    if (firstArgument == L"/runasadmin") return false;
    if (osName == L"windows 7" || osName == L"windows vista" || osName == L"windows unknow") return false;
    return !isAdmin;
}

TInstallSeams TInstallSeams::Real() {
    TInstallSeams s;
    s.osName = CurrentWindowsVersionName();
    s.resource = &OwnResource;
    s.setupFolder = ModuleFolder();
    s.commonFolder = &CommonLocationFolder;
    s.sendToFolder = &CurrentSendToFolder;
    s.quickLaunchFolder = &CurrentQuickLaunchFolder;
    s.users = [] { return TAllUserControl(); };
    s.runningCopies = {&RunningProductCopyNames, &EndRunningProductCopies};
    s.windows64 = Is64BitWindows();
    s.wait = [](DWORD ms) { ::Sleep(ms); };
    return s;
}

TInstallResult RunInstall(const TInstallOptions& options, IInstallHost& host, const TInstallSeams& seams) {
    TInstallRun run(options, host, seams);
    return run.Run();
}

}  // namespace qm
