#include "records/settings.h"

#include <algorithm>

#include "base/files.h"
#include "base/pathtext.h"

namespace qm {

using namespace keys;

TSettingsStore TSettingsStore::Open(const std::wstring& userDataFolder, const std::wstring& commonDataFolder) {
    CreateFolderTree(userDataFolder);
    CreateFolderTree(commonDataFolder);
    return TSettingsStore(TIniFile(JoinPath(userDataFolder, kSettingsFileName)),
                          TIniFile(JoinPath(commonDataFolder, kSettingsFileName)));
}

void TSettingsStore::Load(TSettings& s, const std::wstring& defaultRecordFolder, bool runValuePresent) const {
    const wchar_t* d = kSectionDefault;
    TRecordOptions& r = s.record;
    TWindowOptions& w = s.window;

    std::wstring folder = NormaliseFolderPath(defaultRecordFolder);
    CreateFolderTree(folder);
    r.recPath = user_.ReadString(d, EdtRECPath, folder);

    w.openLocationAfterSendTo = user_.ReadBool(d, Openfilelocationaftersendto, true);
    w.openLocationAfterPaste = user_.ReadBool(d, Openfilelocationafterpaste, true);
    w.promptBeforeExecuting = user_.ReadBool(d, Promptbeforeexecuting1, true);
    w.alwaysRunAsAdmin = common_.ReadBool(d, keys::AlwaysRunAsAdmin, false);

    r.runSelectedRecs = user_.ReadBool(d, MnRunSelectedRecs, false);
    r.runWhenWindowsStarts = runValuePresent;

    r.alwaysOnTop = user_.ReadBool(d, Alwaysontop1, false);
    w.textSize = user_.ReadInteger(d, curTextSize, 9);
    r.webpage = user_.ReadBool(d, CbWebpage, false);
    r.recordRecentDocument = user_.ReadBool(d, CbRecrodRecentDocument, true);
    r.recRecentDoc = std::clamp(user_.ReadInteger(d, tbRecRecentDoc, kRecentDocMaxDays), 1, kRecentDocMaxDays);
    r.filterPCStart = user_.ReadBool(d, CbFilterPCStart, true);
    r.displayPCStartFilterList = user_.ReadBool(d, cbDisplayPCStartFilterList, false);
    r.recordType = user_.ReadInteger(d, RgRecordType, 0);
    r.showSettingsWhenRecord = user_.ReadBool(d, CbShowSettingsWhenRecord, true);
    r.showSettingsWhenReplay = user_.ReadBool(d, CbShowSettingsWhenReplay, true);
    r.showSettingsWhenRecordSmart = user_.ReadBool(d, CbShowSettingsWhenRecordSmart, true);
    r.replayAllChildDoc = user_.ReadBool(d, RbReplayAllChildDoc, false);
    r.runAsAdmin = user_.ReadBool(d, runasadmin, true);

    // The interval trackbar runs from 3 to 60; a lower stored value is raised.
    r.recordInterval = std::clamp(user_.ReadInteger(d, tbRecordInterval, 7), kMinRecordInterval, kMaxRecordInterval);
}

void TSettingsStore::Store(const TSettings& s) {
    const wchar_t* d = kSectionDefault;
    const TRecordOptions& r = s.record;
    user_.WriteString(d, EdtRECPath, r.recPath);
    user_.WriteBool(d, MnRunSelectedRecs, r.runSelectedRecs);
    user_.WriteBool(d, CbRunWhenWS, r.runWhenWindowsStarts);
    user_.WriteBool(d, Alwaysontop1, r.alwaysOnTop);
    user_.WriteBool(d, CbWebpage, r.webpage);
    user_.WriteBool(d, CbRecrodRecentDocument, r.recordRecentDocument);
    user_.WriteInteger(d, tbRecRecentDoc, r.recRecentDoc);
    user_.WriteBool(d, CbFilterPCStart, r.filterPCStart);
    user_.WriteBool(d, cbDisplayPCStartFilterList, r.displayPCStartFilterList);
    user_.WriteInteger(d, RgRecordType, r.recordType);
    user_.WriteBool(d, CbShowSettingsWhenRecord, r.showSettingsWhenRecord);
    user_.WriteBool(d, CbShowSettingsWhenReplay, r.showSettingsWhenReplay);
    user_.WriteBool(d, CbShowSettingsWhenRecordSmart, r.showSettingsWhenRecordSmart);
    user_.WriteBool(d, RbReplayAllChildDoc, r.replayAllChildDoc);
    user_.WriteBool(d, runasadmin, r.runAsAdmin);
    user_.WriteInteger(d, tbRecordInterval, r.recordInterval);
}

void TSettingsStore::StoreWindowState(const TWindowState& w) {
    const wchar_t* d = kSectionDefault;
    if (w.normal) {
        user_.WriteInteger(d, WindStateInd, 1);
        user_.WriteInteger(d, Width, w.width);
        user_.WriteInteger(d, Height, w.height);
        user_.WriteInteger(d, Left, w.left);
        user_.WriteInteger(d, Top, w.top);
    }
    user_.WriteBool(d, cbSmartRecord, w.smartRecord);
    user_.WriteInteger(d, GbRecList, w.recListWidth);
    user_.WriteInteger(d, WindStateInd, w.normal ? 1 : 0);
    user_.WriteInteger(d, LbRECs, w.recordIndex);
}

TBounds TSettingsStore::LoadBounds(int screenWidth, int screenHeight) const {
    const wchar_t* d = kSectionDefault;
    TBounds b{};
    b.width = user_.ReadInteger(d, Width, 520);
    b.height = user_.ReadInteger(d, Height, screenHeight - 60);
    b.left = user_.ReadInteger(d, Left, screenWidth - b.width - 15);
    b.top = user_.ReadInteger(d, Top, screenHeight - b.height - 40);
    if (b.top + b.height > screenHeight) b.height = screenHeight - b.top;
    if (b.left + b.width > screenWidth) b.width = screenWidth - b.left;
    return b;
}

bool TSettingsStore::LoadNormalState() const { return user_.ReadInteger(kSectionDefault, WindStateInd, 1) != 0; }
int TSettingsStore::LoadRecListWidth() const { return user_.ReadInteger(kSectionDefault, GbRecList, 120); }
int TSettingsStore::LoadRecordIndex() const { return user_.ReadInteger(kSectionDefault, LbRECs, 0); }
bool TSettingsStore::LoadSmartRecord() const { return user_.ReadBool(kSectionDefault, cbSmartRecord, false); }
bool TSettingsStore::AlwaysRunAsAdmin() const { return common_.ReadBool(kSectionDefault, keys::AlwaysRunAsAdmin, false); }

TReopen TSettingsStore::LoadReopen() const {
    int v = common_.ReadInteger(kSectionStatus, openwindow, 0);
    return v >= 1 && v <= 5 ? static_cast<TReopen>(v) : TReopen::Nothing;
}

void TSettingsStore::StoreReopen(TReopen what) {
    common_.WriteInteger(kSectionStatus, openwindow, static_cast<int>(what));
}

}  // namespace qm
