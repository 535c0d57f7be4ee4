// Images and Start-menu names for the paths the recorder captures: the item
// image list of the model (shown by the trees) and the installed-program
// table, loaded once per run of the program.
#pragma once
#include "app/treepane.h"
#include "capture/recorder.h"
#include "records/model.h"
#include "replay/icons.h"

namespace qm {

class TItemImages : public IItemImages {
public:
    TItemImages(TRecordModel& model, TDocTreePane& trees) : model_(model), trees_(trees) {}

    void ResetToBaseImages() override;
    void LoadInstalledPrograms() override;
    std::wstring InstalledName(const std::wstring& path) override;
    int IconOf(const std::wstring& path, const std::wstring& title) override;

    TInstalledPrograms& Installed() { return installed_; }

private:
    TRecordModel& model_;
    TDocTreePane& trees_;
    TInstalledPrograms installed_;
    // Icons of file types that draw one for all their files, for the current list.
    TSharedIcons shared_;
    unsigned sharedGeneration_ = 0;
};

}  // namespace qm
