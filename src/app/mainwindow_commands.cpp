// The main window's commands: what each one does while a long operation holds
// the busy guard, the dispatch of menu and keyboard commands, and the commands
// of the window itself (views, text size, settings, help, elevation).
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "app/aboutbox.h"
#include "app/commands.h"
#include "app/mainwindow.h"
#include "app/product.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/guarded.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

struct TCommandRule {
    unsigned command;
    TBusyRule rule;
};

constexpr TCommandRule kCommandRules[] = {
    {CmRecord, TBusyRule::Refuse},      {CmReplayAll, TBusyRule::Refuse},
    {CmSearchGo, TBusyRule::Refuse},  // a search during a search would only disturb it
    {CmMenuBar, TBusyRule::Anytime},    {CmStatusBar, TBusyRule::Anytime},
    {CmRecordList, TBusyRule::Anytime}, {CmRecordMore, TBusyRule::Anytime},
    {CmStop, TBusyRule::Anytime},       {CmHelp, TBusyRule::Anytime},
    {CmHomePage, TBusyRule::Anytime},   {CmOnlineGuide, TBusyRule::Anytime},
    {CmAbout, TBusyRule::Anytime},      {CmOpenApplicationPath, TBusyRule::Anytime},
    {CmExit, TBusyRule::Anytime},  // the close request itself waits for the operation
};

}  // namespace

TBusyRule BusyRuleOf(unsigned command) {
    if (TSystemCommands::IsShellPlaceCommand(command)) return TBusyRule::Anytime;
    // Opening a favourite or a page of the history touches no record.
    if (command >= CmFavoritesFirst && command <= CmHistoryLast) return TBusyRule::Anytime;
    for (const auto& r : kCommandRules)
        if (r.command == command) return r.rule;
    return TBusyRule::Queue;
}

namespace {

struct TTextSizeEntry {
    unsigned command;
    int size;
};
constexpr TTextSizeEntry kTextSizes[] = {
    {CmTextLargest, 15}, {CmTextLarger, 12}, {CmTextMedium, 10}, {CmTextSmaller, 9}, {CmTextSmallest, 8}};

}  // namespace

int TextSizeOfCommand(unsigned command) {
    for (auto t : kTextSizes)
        if (t.command == command) return t.size;
    return 0;
}

void TQuilmarWindow::RunCommand(unsigned id) {
    switch (BusyRuleOf(id)) {
        case TBusyRule::Anytime: Guarded(L"command", [&] { ExecuteCommand(id); }); return;
        case TBusyRule::Refuse: guard_.RunOrRefuse(L"command", [this, id] { ExecuteCommand(id); }); return;
        case TBusyRule::Queue: guard_.RunOrQueue(L"command", [this, id] { ExecuteCommand(id); }); return;
    }
}

void TQuilmarWindow::ExecuteCommand(unsigned id) {
    if (RunItemCommand(id) || RunTreeCommand(id) || ShareCommands().Run(id) || systemCommands_.Run(id, Handle()))
        return;
    if (browserMenus_.OnCommand(id) || RunStartupListCommand(id)) return;
    if (int size = TextSizeOfCommand(id)) {
        ApplyTextSize(size);
        Persist(L"text size", [this] { store_.StoreOption(settings_, keys::curTextSize); });
        RebuildMenus();
        records_->SelectRecord();
        return;
    }
    switch (id) {
        case CmMenuBar:
        case CmStatusBar:
        case CmRecordList: ToggleView(id); return;
        case CmSmartRecord: smartRecord_.Switched(!commandBar_.SmartRecordChecked()); return;
        case CmReplayAtStart:
            settings_.record.runSelectedRecs = !settings_.record.runSelectedRecs;
            Persist(L"replay at start", [this] { store_.StoreOption(settings_, keys::MnRunSelectedRecs); });
            return;
        case CmAlwaysRunAsAdmin:
            settings_.window.alwaysRunAsAdmin = !settings_.window.alwaysRunAsAdmin;
            Persist(L"always run as admin", [this] { store_.StoreOption(settings_, keys::AlwaysRunAsAdmin); });
            if (settings_.window.alwaysRunAsAdmin && !flags_.startedElevated) RestartElevated();
            return;
        case CmOpenLocationAfterPaste:
            settings_.window.openLocationAfterPaste = !settings_.window.openLocationAfterPaste;
            Persist(L"open location after paste",
                    [this] { store_.StoreOption(settings_, keys::Openfilelocationafterpaste); });
            return;
        case CmOpenLocationAfterSent:
            settings_.window.openLocationAfterSendTo = !settings_.window.openLocationAfterSendTo;
            Persist(L"open location after send to",
                    [this] { store_.StoreOption(settings_, keys::Openfilelocationaftersendto); });
            return;
        case CmSearch: ToggleSearch(); return;
        case CmRecRefresh: records_->ListRecords(); return;
        case CmRecDelete: records_->DeleteSelectedRecords(); return;
        case CmRecRename: records_->RenameSelectedRecord(); return;
        case CmRecDesktopShortcut: CreateRecordShortcuts(); return;
        case CmSaveAsNewRecord: records_->SaveOpenRecord(TSaveRule::New); return;
        case CmRecord: BtnRecClick(); return;
        case CmFullExpand:
        case CmFullCollapse: trees_.ExpandAll(id == CmFullExpand, &progress_); return;
        case CmHelp: ShowHelp(); return;
        case CmHomePage: ShellOpen(Handle(), L"open", kHomePage); return;
        case CmOnlineGuide: ShellOpen(Handle(), L"open", kOnlineGuide, {}, SW_SHOWMAXIMIZED); return;
        case CmOpenApplicationPath: ShellOpen(Handle(), L"explore", ModuleFolder()); return;
        case CmRecordMore: {
            POINT pt{};
            ::GetCursorPos(&pt);
            ShowPopup(TMenuTable::More, pt);
            return;
        }
        case CmStop: progress_.RequestStop(); return;
        case CmSettings: RunSettingsCommand(); return;
        case CmAbout: ShowAboutBox(Handle()); return;
        case CmRunAsAdministrator: RestartElevated(); return;
        case CmStartupManager: OpenStartupManager(); return;
        case CmCheckUpdate: updateCheck_.Run(Handle(), false); return;
        case CmExit: ::PostMessageW(Handle(), WM_CLOSE, 0, 0); return;
        default:
            if (hooks_.command) hooks_.command(id);
            return;
    }
}

void TQuilmarWindow::ToggleView(unsigned id) {
    switch (id) {
        case CmMenuBar:
            ShowMenuBar(!settings_.window.menuBar);
            Persist(L"menu bar", [this] { store_.StoreOption(settings_, keys::MenuBar1); });
            break;
        case CmStatusBar:
            ShowStatusBar(!settings_.window.statusBar);
            Persist(L"status bar", [this] { store_.StoreOption(settings_, keys::StatusBar1); });
            break;
        default:
            ShowRecordList(!settings_.window.recordList);
            Persist(L"record list", [this] { store_.StoreOption(settings_, keys::RecordList1); });
            break;
    }
    RebuildMenus();
}

void TQuilmarWindow::ToggleSearch() {
    bool show = !trees_.SearchShown();
    trees_.ShowSearch(show);
    if (!show) records_->SelectRecord();
    RebuildMenus();
    Layout();
}

bool TQuilmarWindow::RunSettingsCommand() {
    store_.Load(settings_, UserDataFolder(), runValue_.Present());
    Persist(L"settings", [this] { store_.StoreReopen(TReopen::Nothing); });
    if (!settingsDialog_->Show(Handle(), settings_.record)) return false;
    // A refused write stops the storing, never the applying.
    Persist(L"settings", [this] { store_.Store(settings_); });
    ApplySettings();
    return true;
}

std::function<void()> TQuilmarWindow::RelaunchReopening(TReopen what) {
    return [this, what] {
        Persist(L"reopen after relaunch", [this, what] { store_.StoreReopen(what); });
        RestartElevated();
    };
}

void TQuilmarWindow::RestartElevated() {
    TShellCall call = ElevationRelaunchCall(ModuleFolder(), L"");
    ShellOpen(Handle(), call.verb, call.file, {}, call.show);
    settings_.record.runAsAdmin = true;
    Persist(L"restart elevated", [this] { store_.StoreOption(settings_, keys::runasadmin); });
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TQuilmarWindow::ShowHelp() {
    std::wstring help = HelpFilePath();
    if (IsExistingFile(help))
        ShellOpen(Handle(), L"open", help);
    else
        ShellOpen(Handle(), L"open", kOnlineGuide, {}, SW_SHOWMAXIMIZED);
}

void TQuilmarWindow::PinOnWindows7() {
    int state = store_.User().ReadInteger(keys::kSectionInstall, keys::PinToTaskBar, 0);
    if (state == 0) {
        Persist(L"pin", [this] { store_.User().WriteInteger(keys::kSectionInstall, keys::PinToTaskBar, 1); });
    } else if (state == 1 && !isAdmin_) {
        Persist(L"pin", [this] { store_.User().WriteInteger(keys::kSectionInstall, keys::PinToTaskBar, 2); });
        std::wstring link = JoinPath(JoinPath(SpecialFolder(CSIDL_COMMON_PROGRAMS), kProductName), L"QuilMar.lnk");
        ShellOpen(Handle(), L"TaskbarPin", link, {}, SW_SHOW);
        ShellOpen(Handle(), L"StartPin", link, {}, SW_SHOW);
    }
}

void TQuilmarWindow::CreateSendToShortcut() {
    std::wstring link = JoinPath(SpecialFolder(CSIDL_SENDTO), L"Quilmar.lnk");
    if (PathExists(link)) return;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shellLink)))) return;
    shellLink->SetPath(ModulePath().c_str());
    shellLink->SetWorkingDirectory(ModuleFolder().c_str());
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(shellLink.As(&file))) file->Save(link.c_str(), TRUE);
}

void TQuilmarWindow::Reopen() {
    switch (store_.LoadReopen()) {
        case TReopen::AddItems: ExecuteCommand(CmAdd); break;
        case TReopen::Record: ExecuteCommand(CmRecord); break;
        case TReopen::SmartRecordOn: smartRecord_.Switched(true); break;
        case TReopen::Settings: ExecuteCommand(CmSettings); break;
        case TReopen::StartupManager: ExecuteCommand(CmStartupManager); break;
        case TReopen::Nothing: break;
    }
}

}  // namespace qm
