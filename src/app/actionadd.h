// TFrmActionAdd: the add-items dialog ("Add document"). Five pages list what
// can be added by hand: installed programs, running programs, open folders and
// web pages, recent documents and recent folders; or an address is typed. The
// dialog only chooses; the main window adds what was chosen.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/unique_any.h"
#include "replay/additems.h"
#include "ui/dialog.h"
#include "ui/tabpages.h"
#include "ui/reportlist.h"

namespace qm {

// What the dialog edits and what it hands back after "Add".
struct TAddItemsValues {
    std::wstring address;    // "Address" (EdtAction)
    std::wstring name;       // "Name"
    bool alterName = false;  // "Alter Name" (NeedAlterName)
    int page = 0;            // the page shown (FrmActionAddInd)
    // After a confirm: what to add, as (path, title), in order.
    std::vector<std::pair<std::wstring, std::wstring>> chosen;
};

// Where the pages' rows come from, and what the dialog asks of the program.
struct TAddItemsSources {
    std::function<std::vector<TAddItemRow>(const TRowListingHooks&)> installedPrograms;
    std::function<std::vector<TAddItemRow>(const TRowListingHooks&)> runningPrograms;
    std::function<std::vector<TAddItemRow>(const TRowListingHooks&)> openLocations;
    std::function<TRecentRows(const TRowListingHooks&)> recent;
    // "openwindow" 0 when shown, 1 with the relaunch.
    std::function<void(int)> storeReopen;
    // "Run QuilMar as admin" on the running-programs page: restart elevated.
    std::function<void()> relaunchElevated;
    // The page just filled (FrmActionAddInd is stored at once).
    std::function<void(int)> pageChanged;
    // Opens a folder or file (the lists' context menu).
    std::function<void(const std::wstring&)> openLocation;
    std::wstring programFilesFolder;
    bool startedElevated = false;
};

class TFrmActionAdd : public TDialog {
public:
    enum TPage : int { kInstalled = 0, kRunning = 1, kLocations = 2, kRecentDocuments = 3, kRecentFolders = 4 };
    static constexpr int kPageCount = 5;

    static constexpr int kIdTabs = 100;
    static constexpr int kIdAddressLabel = 101;
    static constexpr int kIdEdtAction = 102;
    static constexpr int kIdNameLabel = 103;
    static constexpr int kIdEdtName = 104;
    static constexpr int kIdCbNeedAlterName = 105;
    static constexpr int kIdBtnChoose = 106;
    static constexpr int kIdPnlHint = 107;
    static constexpr int kIdGauge = 108;
    static constexpr int kIdPanelHint = 109;
    static constexpr int kIdCheckBox1 = 110;
    static constexpr int kIdListFirst = 300;  // the page lists, in page order

    explicit TFrmActionAdd(TAddItemsSources sources);

    bool Show(HWND owner, TAddItemsValues& values);

    // While shown: the list of a page, and whether a page is being filled.
    TReportList& List(int page) { return lists_[static_cast<size_t>(page)]; }
    int ActivePage() const { return pages_.Active(); }
    bool Filling() const { return filling_; }
    HIMAGELIST Images() const { return images_.get(); }

private:
    void OnInit() override;
    bool OnOk() override;
    void OnEnd(bool confirmed) override;
    void OnCommand(int id, int code) override;
    bool OnNotify(const NMHDR& hdr) override;
    bool OnOtherMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

    void FillPage(int page);
    void FillRows(int page, const std::vector<TAddItemRow>& rows);
    TRowListingHooks ListingHooks();
    void ShowProgress(bool show);
    void RowClicked(int page, int row);
    void ShowRowMenu(int page, POINT screen);
    void UpdateNameField();
    void Browse();
    void SizeColumns();

    TAddItemsSources sources_;
    TTabPages pages_;
    TReportList lists_[kPageCount];
    unique_himagelist images_;
    TAddItemsValues* values_ = nullptr;
    bool filling_ = false;
    int pendingPage_ = -1;
    int gauge_ = 0;
    ULONGLONG pumpedAt_ = 0;
};

}  // namespace qm
