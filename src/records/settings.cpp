#include "records/settings.h"

#include <algorithm>

#include "base/files.h"
#include "base/pathtext.h"

namespace qm {

using namespace keys;

namespace {

using R = TRecordOptions;
using W = TWindowOptions;

const TOption<R> kRecordOptions[] = {
    {EdtRECPath, &R::recPath},
    {MnRunSelectedRecs, &R::runSelectedRecs},
    // "Run Quilmar at Startup" is read from the Run value itself.
    {CbRunWhenWS, &R::runWhenWindowsStarts, INT_MIN, INT_MAX, false},
    {Alwaysontop1, &R::alwaysOnTop},
    {CbWebpage, &R::webpage},
    {CbRecrodRecentDocument, &R::recordRecentDocument},
    {tbRecRecentDoc, &R::recRecentDoc, 1, kRecentDocMaxDays},
    {CbFilterPCStart, &R::filterPCStart},
    {cbDisplayPCStartFilterList, &R::displayPCStartFilterList},
    {RgRecordType, &R::recordType},
    {CbShowSettingsWhenRecord, &R::showSettingsWhenRecord},
    {CbShowSettingsWhenReplay, &R::showSettingsWhenReplay},
    {CbShowSettingsWhenRecordSmart, &R::showSettingsWhenRecordSmart},
    {RbReplayAllChildDoc, &R::replayAllChildDoc},
    {runasadmin, &R::runAsAdmin},
    // The interval trackbar runs from 3 to 60; a lower stored value is raised.
    {tbRecordInterval, &R::recordInterval, kMinRecordInterval, kMaxRecordInterval},
    // The desktop options come after the described keys, which keep their order.
    {CbKeepAddressesPrivate, &R::keepAddressesPrivate},
    {CbDonotReopenOpen, &R::donotReopenOpen},
    {CbRestorePlacement, &R::restorePlacement},
    {CbRecordAllTabs, &R::recordAllTabs},
};

const TOption<W> kWindowOptions[] = {
    {Openfilelocationaftersendto, &W::openLocationAfterSendTo},
    {Openfilelocationafterpaste, &W::openLocationAfterPaste},
    {Promptbeforeexecuting1, &W::promptBeforeExecuting},
    {curTextSize, &W::textSize},
    {MenuBar1, &W::menuBar},
    {StatusBar1, &W::statusBar},
    {RecordList1, &W::recordList},
    {keys::AlwaysRunAsAdmin, &W::alwaysRunAsAdmin, INT_MIN, INT_MAX, true, true},
    {EdtAction, &W::addAddress},
    {NeedAlterName, &W::needAlterName},
    {FrmActionAddInd, &W::addItemsPage, 0, 4, true, false, kSectionAddDocument},
    {cbAsRecordFileName, &W::asRecordFileName},
};

template <class T>
const TOption<T>* FindOption(std::span<const TOption<T>> table, const wchar_t* key) {
    for (const auto& o : table)
        if (std::wstring_view(o.key) == key) return &o;
    return nullptr;
}

// Reads one option into values, the default coming from defaults.
template <class T>
void LoadOption(const TIniFile& file, const TOption<T>& o, T& values, const T& defaults) {
    std::visit(
        [&](auto field) {
            using V = std::remove_reference_t<decltype(values.*field)>;
            if constexpr (std::is_same_v<V, bool>) {
                values.*field = file.ReadBool(o.section, o.key, defaults.*field);
            } else if constexpr (std::is_same_v<V, int>) {
                values.*field = std::clamp(file.ReadInteger(o.section, o.key, defaults.*field), o.min, o.max);
            } else {
                values.*field = file.ReadString(o.section, o.key, defaults.*field);
            }
        },
        o.field);
}

template <class T>
void StoreOptionValue(TIniFile& file, const TOption<T>& o, const T& values) {
    std::visit(
        [&](auto field) {
            using V = std::remove_cv_t<std::remove_reference_t<decltype(values.*field)>>;
            if constexpr (std::is_same_v<V, bool>)
                file.WriteBool(o.section, o.key, values.*field);
            else if constexpr (std::is_same_v<V, int>)
                file.WriteInteger(o.section, o.key, values.*field);
            else
                file.WriteString(o.section, o.key, values.*field);
        },
        o.field);
}

template <class T>
void CopyOption(const TOption<T>& o, const T& from, T& to) {
    std::visit([&](auto field) { to.*field = from.*field; }, o.field);
}

}  // namespace

std::span<const TOption<TRecordOptions>> RecordOptionTable() { return kRecordOptions; }
std::span<const TOption<TWindowOptions>> WindowOptionTable() { return kWindowOptions; }

void CopyOptions(const TRecordOptions& from, TRecordOptions& to, std::span<const wchar_t* const> keys) {
    for (const wchar_t* key : keys)
        if (const auto* o = FindOption(RecordOptionTable(), key)) CopyOption(*o, from, to);
}

TSettingsStore TSettingsStore::Open(const std::wstring& userDataFolder, const std::wstring& commonDataFolder) {
    CreateFolderTree(userDataFolder);
    CreateFolderTree(commonDataFolder);
    return TSettingsStore(TIniFile(JoinPath(userDataFolder, kSettingsFileName)),
                          TIniFile(JoinPath(commonDataFolder, kSettingsFileName)));
}

void TSettingsStore::Load(TSettings& s, const std::wstring& defaultRecordFolder, bool runValuePresent) const {
    TRecordOptions recordDefaults;
    recordDefaults.recPath = NormaliseFolderPath(defaultRecordFolder);
    CreateFolderTree(recordDefaults.recPath);
    for (const auto& o : RecordOptionTable())
        if (o.loaded) LoadOption(o.common ? common_ : user_, o, s.record, recordDefaults);
    s.record.runWhenWindowsStarts = runValuePresent;
    const TWindowOptions windowDefaults;
    for (const auto& o : WindowOptionTable())
        if (o.loaded) LoadOption(o.common ? common_ : user_, o, s.window, windowDefaults);
}

void TSettingsStore::Store(const TSettings& s) {
    for (const auto& o : RecordOptionTable()) StoreOptionValue(o.common ? common_ : user_, o, s.record);
}

void TSettingsStore::StoreOptions(const TRecordOptions& r, std::span<const wchar_t* const> keys) {
    for (const wchar_t* key : keys)
        if (const auto* o = FindOption(RecordOptionTable(), key)) StoreOptionValue(o->common ? common_ : user_, *o, r);
}

void TSettingsStore::StoreOption(const TSettings& s, const wchar_t* key) {
    if (const auto* o = FindOption(RecordOptionTable(), key))
        StoreOptionValue(o->common ? common_ : user_, *o, s.record);
    else if (const auto* w = FindOption(WindowOptionTable(), key))
        StoreOptionValue(w->common ? common_ : user_, *w, s.window);
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
bool TSettingsStore::AlwaysRunAsAdmin() const {
    return common_.ReadBool(kSectionDefault, keys::AlwaysRunAsAdmin, false);
}

TReopen TSettingsStore::LoadReopen() const {
    int v = common_.ReadInteger(kSectionStatus, openwindow, 0);
    return v >= 1 && v <= 5 ? static_cast<TReopen>(v) : TReopen::Nothing;
}

void TSettingsStore::StoreReopen(TReopen what) {
    common_.WriteInteger(kSectionStatus, openwindow, static_cast<int>(what));
}

}  // namespace qm
