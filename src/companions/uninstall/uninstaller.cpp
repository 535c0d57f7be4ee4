#include "companions/uninstall/uninstaller.h"

#include <shellapi.h>

#include <algorithm>
#include <set>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/processes.h"
#include "base/productfiles.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/winversion.h"
#include "records/settings.h"
#include "setup/contextmenu.h"
#include "setup/installplan.h"
#include "setup/installrecord.h"
#include "setup/runningcopies.h"
#include "setup/setupnames.h"
#include "setup/shortcuts.h"
#include "ui/window.h"

namespace qm {

namespace {

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

size_t Depth(const std::wstring& path) { return static_cast<size_t>(std::count(path.begin(), path.end(), L'\\')); }

// The folder is the other one or lies somewhere below it.
bool IsWithin(const std::wstring& path, const std::wstring& folder) {
    std::wstring p = WithoutTrailingSeparator(path), f = WithoutTrailingSeparator(folder);
    return EqualsNoCase(p, f) || (StartsWithNoCase(p, f) && p.size() > f.size() && p[f.size()] == L'\\');
}

bool RecycleFolder(const std::wstring& folder) {
    std::wstring from = WithoutTrailingSeparator(folder);
    from.push_back(L'\0');  // the list ends with a second NUL
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO;
    return ::SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted && !PathExists(folder);
}

class TUninstallRun : private TStepRun {
public:
    TUninstallRun(const TUninstallOptions& options, IUninstallHost& host, const TUninstallSeams& seams)
        : TStepRun(host, seams.wait), options_(options), seams_(seams), folder_(seams.installFolder) {}
    TUninstallResult Run();

private:
    void RemoveFile(const std::wstring& path);
    void RemoveKeyTree(TRegView view, const std::wstring& path, const std::wstring& what);
    void RemoveShortcuts();
    void RemoveValues();
    void RemoveProgramFiles();
    void RemoveRegistration();
    void RemoveCreatedKeys();
    void RemoveCreatedFolders();
    void RemoveSettingsAndRecords();
    std::vector<std::wstring> Files(bool links) const;

    const TUninstallOptions& options_;
    const TUninstallSeams& seams_;
    std::wstring folder_;
    TInstallRecord all_;
    std::set<std::wstring> recorded_;  // the files the record names, lower-cased
    TUninstallResult result_;
};

void TUninstallRun::RemoveFile(const std::wstring& path) {
    if (!IsExistingFile(path)) return;
    if (::DeleteFileW(LongPathForm(path).c_str()) || !IsExistingFile(path)) return;
    // Held open (Explorer holds a context-menu DLL it loaded): it goes at the next start.
    if (seams_.deleteAtRestart && seams_.deleteAtRestart(path))
        Problem(path + L" is in use; it will be removed when Windows starts again.");
    else
        Problem(path + L" could not be removed.");
}

void TUninstallRun::RemoveKeyTree(TRegView view, const std::wstring& path, const std::wstring& what) {
    if (!DeleteKeyTree(seams_.machineRoot, path, view)) Problem(what + L" could not be removed.");
}

std::vector<std::wstring> TUninstallRun::Files(bool links) const {
    std::vector<std::wstring> files;
    for (const TRecordEntry& e : all_.Of(TRecordKind::File))
        if ((ToLower(ExtensionOf(e.path)) == L".lnk") == links) files.push_back(e.path);
    return files;
}

void TUninstallRun::RemoveShortcuts() {
    for (const std::wstring& link : Files(true)) {
        if (!IsExistingFile(link)) continue;
        // A shortcut of the product's name that leads into another folder
        // belongs to another copy of it; one that cannot be read goes only
        // when the setup noted it as its own.
        std::wstring target = ShortcutTargetOf(link);
        if (target.empty() ? !recorded_.count(ToLower(link)) : !IsWithin(target, folder_)) continue;
        RemoveFile(link);
    }
}

void TUninstallRun::RemoveValues() {
    for (const TRecordEntry& e : all_.Of(TRecordKind::Value)) {
        if (!HasValue(seams_.machineRoot, e.path, e.view, e.name)) continue;
        if (!DeleteValue(seams_.machineRoot, e.path, e.view, e.name))
            Problem(L"The registry value " + e.name + L" of " + e.path + L" could not be removed.");
    }
}

void TUninstallRun::RemoveProgramFiles() {
    RemoveFile(folder_ + kMainProgramFile);
    Step();
    if (!options_.deletePrograms) return;
    for (const std::wstring& file : Files(false)) {
        if (EqualsNoCase(file, seams_.selfPath)) continue;  // goes once the uninstaller has ended
        RemoveFile(file);
    }
}

void TUninstallRun::RemoveRegistration() {
    std::vector<TRegView> views{TRegView::Native};
    if (seams_.windows64 && ResolvedView(TRegView::Native) != TRegView::Bits64) views.push_back(TRegView::Bits64);
    for (TRegView view : views) {
        TRegistryPlace place{seams_.machineRoot, view};
        if (!UnregisterContextMenuHandler(place)) Problem(L"The context menu entry could not be removed.");
        if (!RemoveContextMenuApproval(place)) Problem(L"The context menu approval could not be removed.");
    }
}

void TUninstallRun::RemoveCreatedKeys() {
    std::vector<TRecordEntry> keys = all_.Of(TRecordKind::Key);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const TRecordEntry& a, const TRecordEntry& b) { return Depth(a.path) > Depth(b.path); });
    // Keys the setup created go when nothing is left in them.
    for (const TRecordEntry& k : keys) DeleteKeyIfEmpty(seams_.machineRoot, k.path, k.view);
}

void TUninstallRun::RemoveCreatedFolders() {
    std::vector<std::wstring> folders;
    for (const TRecordEntry& e : all_.Of(TRecordKind::Folder)) folders.push_back(WithoutTrailingSeparator(e.path));
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
    const std::wstring install = WithoutTrailingSeparator(folder_);
    result_.foldersAfterSelf.push_back(install);
    for (const std::wstring& f : folders) {
        if (EqualsNoCase(f, install)) continue;
        if (IsWithin(install, f)) {
            result_.foldersAfterSelf.push_back(f);  // a parent the setup created for the install folder
            continue;
        }
        ::RemoveDirectoryW(LongPathForm(f).c_str());  // only when empty: what others put there stays
    }
}

void TUninstallRun::RemoveSettingsAndRecords() {
    const std::wstring user = seams_.userDataFolder ? seams_.userDataFolder() : std::wstring();
    const std::wstring common = seams_.commonDataFolder ? seams_.commonDataFolder() : std::wstring();
    if (options_.clearDefaultSettings) {
        for (const std::wstring& folder : {user, common}) {
            if (folder.empty()) continue;
            RemoveFile(JoinPath(folder, kSettingsFileName));
            ::RemoveDirectoryW(LongPathForm(folder).c_str());  // only when nothing else is left in it
        }
    }
    if (options_.deleteAllRecords && !user.empty() && IsExistingFolder(user)) {
        if (!seams_.recycleFolder || !seams_.recycleFolder(user))
            Problem(L"The records in " + user + L" could not be deleted.");
    }
}

TUninstallResult TUninstallRun::Run() {
    for (int i = 0; i < 20; ++i) {
        Wait(20);
        Step();
    }
    if (!EndRunningCopies(folder_, seams_.runningCopies)) {
        result_.declined = true;
        return result_;
    }
    for (int i = 0; i < 4; ++i) {
        Step();
        Wait(10);
    }
    const TAllUserControl users = seams_.users ? seams_.users() : TAllUserControl(TAllUserControl::TSeams{});
    Step();
    Wait(30);
    if (std::optional<TInstallRecord> record = LoadInstallRecord(seams_.machineRoot, TRegView::Native)) {
        all_ = *record;
        for (const TRecordEntry& e : all_.Of(TRecordKind::File)) recorded_.insert(ToLower(e.path));
    }
    TPlanFolders planFolders{seams_.commonFolder, seams_.sendToFolder ? seams_.sendToFolder() : std::wstring(),
                             seams_.quickLaunchFolder ? seams_.quickLaunchFolder() : std::wstring(), seams_.windows64};
    all_.Merge(KnownInstallation(folder_, planFolders, users));

    if (seams_.osName == L"windows 7" && seams_.commonFolder) {
        const std::wstring link = JoinPath(JoinPath(seams_.commonFolder(kLocationCommonPrograms), kProductFolderName),
                                           std::wstring(kProductDisplayName) + L".lnk");
        if (IsExistingFile(link)) UnpinFromTaskbarAndStart(nullptr, link);
    }
    for (int i = 0; i < 5; ++i) {
        Wait(20);
        Step();
    }
    RemoveShortcuts();
    Step();
    RemoveValues();
    Step();
    RemoveKeyTree(TRegView::Native, ProductKeyPath(), L"The product key");
    DeleteKeyIfEmpty(seams_.machineRoot, ProductKeyParentPath(), TRegView::Native);
    Step();
    RemoveKeyTree(TRegView::Native, UninstallKeyPath(), L"The uninstall entry");
    result_.entryRemoved = !KeyExists(seams_.machineRoot, UninstallKeyPath(), TRegView::Native);
    Step();
    RemoveProgramFiles();
    Step();
    RemoveRegistration();
    RemoveCreatedKeys();
    Step();
    RemoveCreatedFolders();
    RemoveSettingsAndRecords();
    Step();
    result_.selfFile = seams_.selfPath;
    result_.problems = Problems();
    return result_;
}

}  // namespace

TUninstallSeams TUninstallSeams::Real() {
    TUninstallSeams s;
    s.selfPath = ModulePath();
    s.installFolder = FolderOf(s.selfPath);
    s.osName = CurrentWindowsVersionName();
    s.windows64 = Is64BitWindows();
    s.commonFolder = &CommonLocationFolder;
    s.sendToFolder = &CurrentSendToFolder;
    s.quickLaunchFolder = &CurrentQuickLaunchFolder;
    s.users = [] { return TAllUserControl(); };
    s.userDataFolder = &UserDataFolder;
    s.commonDataFolder = &CommonDataFolder;
    s.runningCopies = {&RunningProductCopyNames, &EndRunningProductCopies};
    s.recycleFolder = &RecycleFolder;
    s.deleteAtRestart = [](const std::wstring& path) {
        return ::MoveFileExW(LongPathForm(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    };
    s.wait = [](DWORD ms) { ::Sleep(ms); };
    return s;
}

TUninstallResult RunUninstall(const TUninstallOptions& options, IUninstallHost& host, const TUninstallSeams& seams) {
    TUninstallRun run(options, host, seams);
    return run.Run();
}

}  // namespace qm
