// Every option of the main program with its default, and the store that loads
// and saves them in the two "defualt.ini" files (per-user and common). The main
// window owns one TSettings (the live copy that dialogs edit); the store is the
// persistent copy, written key by key when a value changes.
#pragma once
#include <climits>
#include <initializer_list>
#include <span>
#include <string>
#include <variant>

#include "records/inifile.h"

namespace qm {

namespace keys {
inline constexpr wchar_t kSectionDefault[] = L"default";
inline constexpr wchar_t kSectionInstall[] = L"install";
inline constexpr wchar_t kSectionAddDocument[] = L"AddDocumentForm";
inline constexpr wchar_t kSectionStatus[] = L"status";

inline constexpr wchar_t EdtRECPath[] = L"EdtRECPath";
inline constexpr wchar_t CbWebpage[] = L"CbWebpage";
inline constexpr wchar_t CbRecrodRecentDocument[] = L"CbRecrodRecentDocument";
inline constexpr wchar_t tbRecRecentDoc[] = L"tbRecRecentDoc";
inline constexpr wchar_t CbFilterPCStart[] = L"CbFilterPCStart";
inline constexpr wchar_t cbDisplayPCStartFilterList[] = L"cbDisplayPCStartFilterList";
inline constexpr wchar_t RgRecordType[] = L"RgRecordType";
inline constexpr wchar_t CbShowSettingsWhenRecord[] = L"CbShowSettingsWhenRecord";
inline constexpr wchar_t CbShowSettingsWhenRecordSmart[] = L"CbShowSettingsWhenRecordSmart";
inline constexpr wchar_t CbShowSettingsWhenReplay[] = L"CbShowSettingsWhenReplay";
inline constexpr wchar_t RbReplayAllChildDoc[] = L"RbReplayAllChildDoc";
inline constexpr wchar_t tbRecordInterval[] = L"tbRecordInterval";
inline constexpr wchar_t MnRunSelectedRecs[] = L"MnRunSelectedRecs";
inline constexpr wchar_t CbRunWhenWS[] = L"CbRunWhenWS";
inline constexpr wchar_t Alwaysontop1[] = L"Alwaysontop1";
inline constexpr wchar_t runasadmin[] = L"runasadmin";
inline constexpr wchar_t Openfilelocationaftersendto[] = L"Openfilelocationaftersendto";
inline constexpr wchar_t Openfilelocationafterpaste[] = L"Openfilelocationafterpaste";
inline constexpr wchar_t Promptbeforeexecuting1[] = L"Promptbeforeexecuting1";
inline constexpr wchar_t curTextSize[] = L"curTextSize";
inline constexpr wchar_t MenuBar1[] = L"MenuBar1";
inline constexpr wchar_t StatusBar1[] = L"StatusBar1";
inline constexpr wchar_t RecordList1[] = L"RecordList1";
inline constexpr wchar_t WindStateInd[] = L"WindStateInd";
inline constexpr wchar_t Width[] = L"Width";
inline constexpr wchar_t Height[] = L"Height";
inline constexpr wchar_t Left[] = L"Left";
inline constexpr wchar_t Top[] = L"Top";
inline constexpr wchar_t GbRecList[] = L"GbRecList";
inline constexpr wchar_t LbRECs[] = L"LbRECs";
inline constexpr wchar_t cbSmartRecord[] = L"cbSmartRecord";
inline constexpr wchar_t cbAsRecordFileName[] = L"cbAsRecordFileName";
inline constexpr wchar_t NeedAlterName[] = L"NeedAlterName";
inline constexpr wchar_t EdtAction[] = L"EdtAction";
inline constexpr wchar_t PinToTaskBar[] = L"PinToTaskBar";
inline constexpr wchar_t FrmActionAddInd[] = L"FrmActionAddInd";
inline constexpr wchar_t AlwaysRunAsAdmin[] = L"AlwaysRunAsAdmin";
inline constexpr wchar_t openwindow[] = L"openwindow";
inline constexpr wchar_t CbKeepAddressesPrivate[] = L"CbKeepAddressesPrivate";
inline constexpr wchar_t CbDonotReopenOpen[] = L"CbDonotReopenOpen";
inline constexpr wchar_t CbRestorePlacement[] = L"CbRestorePlacement";
inline constexpr wchar_t CbRecordAllTabs[] = L"CbRecordAllTabs";
}  // namespace keys

constexpr int kRecentDocMaxDays = 60;  // the age trackbar's maximum: every document
constexpr int kMinRecordInterval = 3;
constexpr int kMaxRecordInterval = 60;

// What "openwindow" asks to reopen after an elevation relaunch.
enum class TReopen : int { Nothing = 0, AddItems = 1, Record = 2, SmartRecordOn = 3, Settings = 4, StartupManager = 5 };

// The options the settings dialog edits (loaded by Load, stored by Store).
struct TRecordOptions {
    std::wstring recPath;                     // EdtRECPath, as typed
    bool webpage = false;                     // CbWebpage
    bool recordRecentDocument = true;         // CbRecrodRecentDocument
    int recRecentDoc = kRecentDocMaxDays;     // tbRecRecentDoc
    bool filterPCStart = true;                // CbFilterPCStart
    bool displayPCStartFilterList = false;    // cbDisplayPCStartFilterList
    int recordType = 0;                       // RgRecordType: 0 new file, 1 add to existing
    bool showSettingsWhenRecord = true;       // CbShowSettingsWhenRecord
    bool showSettingsWhenRecordSmart = true;  // CbShowSettingsWhenRecordSmart
    bool showSettingsWhenReplay = true;       // CbShowSettingsWhenReplay
    bool replayAllChildDoc = false;           // RbReplayAllChildDoc
    int recordInterval = 7;                   // tbRecordInterval, 3..60
    bool runSelectedRecs = false;             // MnRunSelectedRecs
    bool runWhenWindowsStarts = false;        // loaded from the Run value; stored as CbRunWhenWS
    bool alwaysOnTop = false;                 // Alwaysontop1
    bool runAsAdmin = true;                   // runasadmin
    // Desktop options. A record without their attributes replays as before, so
    // the one that changes what an old record opens starts off.
    bool keepAddressesPrivate = true;  // CbKeepAddressesPrivate: no sign-in secrets in recorded addresses
    bool donotReopenOpen = false;      // CbDonotReopenOpen: bring an open window forward instead
    bool restorePlacement = true;      // CbRestorePlacement: windows back where they were
    bool recordAllTabs = true;         // CbRecordAllTabs: every tab from the browsers' session files
};

// Options of the main window's menus and layout.
struct TWindowOptions {
    bool openLocationAfterSendTo = true;  // Openfilelocationaftersendto
    bool openLocationAfterPaste = true;   // Openfilelocationafterpaste
    bool promptBeforeExecuting = true;    // Promptbeforeexecuting1
    int textSize = 9;                     // curTextSize
    bool menuBar = false;                 // MenuBar1
    bool statusBar = false;               // StatusBar1
    bool recordList = true;               // RecordList1
    bool alwaysRunAsAdmin = false;        // AlwaysRunAsAdmin (common file)
    std::wstring addAddress;              // EdtAction: the add-items dialog's last address
    bool needAlterName = false;           // NeedAlterName
    int addItemsPage = 0;                 // FrmActionAddInd (section "AddDocumentForm")
    bool asRecordFileName = false;        // cbAsRecordFileName: the send-to dialog's "As original file name"
};

// The window state stored at the end of every move or resize and on close.
struct TWindowState {
    bool normal = true;  // WindStateInd 1; maximised 0
    int width = 0, height = 0, left = 0, top = 0;
    bool smartRecord = false;  // cbSmartRecord
    int recListWidth = 120;    // GbRecList
    int recordIndex = 0;       // LbRECs (-1: no cursor)
};

struct TSettings {
    TRecordOptions record;
    TWindowOptions window;
};

// One option of a settings struct: its key, the field that holds it and, for
// an integer, its range. The struct's own initialiser is the default. Each key
// is named once, here; loading, storing and the dialogs' copies walk the table.
template <class T>
struct TOption {
    const wchar_t* key;
    std::variant<bool T::*, int T::*, std::wstring T::*> field;
    int min = INT_MIN, max = INT_MAX;
    bool loaded = true;   // false: written, never read back
    bool common = false;  // in the common settings file
    const wchar_t* section = keys::kSectionDefault;
};

// The options of the settings dialog, in the order the dialog stores them.
std::span<const TOption<TRecordOptions>> RecordOptionTable();
// The main window's options, each written on its own when it changes.
std::span<const TOption<TWindowOptions>> WindowOptionTable();

// The options the record-type dialog edits, in the order the record command
// stores them after a confirm.
inline constexpr const wchar_t* kRecordTypeKeys[] = {
    keys::CbWebpage,       keys::CbRecrodRecentDocument,     keys::tbRecRecentDoc,
    keys::CbFilterPCStart, keys::cbDisplayPCStartFilterList, keys::CbShowSettingsWhenRecord,
    keys::RgRecordType};

// Copies the named options from one set of values to another.
void CopyOptions(const TRecordOptions& from, TRecordOptions& to, std::span<const wchar_t* const> keys);

// Window bounds from the stored keys, each default computed from the values read
// before it, then shrunk (never moved) to fit the screen.
struct TBounds {
    int left, top, width, height;
};

class TSettingsStore {
public:
    TSettingsStore() = default;
    // Opens the per-user file, then the common file, creating each data folder
    // when it is missing (a failure leaves reads at their defaults).
    static TSettingsStore Open(const std::wstring& userDataFolder, const std::wstring& commonDataFolder);
    TSettingsStore(TIniFile user, TIniFile common) : user_(std::move(user)), common_(std::move(common)) {}

    TIniFile& User() { return user_; }
    TIniFile& Common() { return common_; }
    const TIniFile& User() const { return user_; }
    const TIniFile& Common() const { return common_; }

    // Loads every option in the documented order. defaultRecordFolder is the user
    // data folder; it is normalised and created when missing. runValuePresent
    // says whether the Run value exists.
    void Load(TSettings& s, const std::wstring& defaultRecordFolder, bool runValuePresent) const;
    // Writes the settings dialog's keys in their order; then tbRecordInterval.
    void Store(const TSettings& s);
    // Writes the named options in the order given.
    void StoreOptions(const TRecordOptions& r, std::span<const wchar_t* const> keys);
    // Writes one option of either table (a menu check, a toggle).
    void StoreOption(const TSettings& s, const wchar_t* key);

    void StoreWindowState(const TWindowState& w);
    TBounds LoadBounds(int screenWidth, int screenHeight) const;
    bool LoadNormalState() const;
    int LoadRecListWidth() const;
    int LoadRecordIndex() const;
    bool LoadSmartRecord() const;

    bool AlwaysRunAsAdmin() const;
    TReopen LoadReopen() const;
    void StoreReopen(TReopen what);

private:
    TIniFile user_;
    TIniFile common_;
};

inline constexpr wchar_t kSettingsFileName[] = L"defualt.ini";

}  // namespace qm
