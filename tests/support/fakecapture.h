// Fake desktop sources, images and window for the record operation.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/strings.h"
#include "capture/recorder.h"

namespace qm::test {

class FakeApps : public IRunningApplications {
public:
    std::vector<TAppPair> apps;
    std::vector<TFilterRow> startupRows;  // found when filtering is on
    std::function<void()> duringScan;     // runs inside the scan, as user input would
    void Scan(bool filterStartup, std::vector<TAppPair>& out, std::vector<TFilterRow>& rows, const TPumpFn&) override {
        if (duringScan) duringScan();
        out = apps;
        if (filterStartup) rows.insert(rows.end(), startupRows.begin(), startupRows.end());
    }
};

class FakeLocations : public IOpenLocations {
public:
    std::vector<TLocationPair> locations;
    std::vector<TLocationPair> pages;
    int pageQueries = 0;
    std::vector<bool> scansWantingPages;  // what each scan was asked for
    void Scan(bool wantWebPages, std::vector<TLocationPair>& out, const TPumpFn&) override {
        scansWantingPages.push_back(wantWebPages);
        out = locations;
    }
    std::vector<TLocationPair> BrowserPages() override {
        ++pageQueries;
        return pages;
    }
};

class FakeImages : public IItemImages {
public:
    std::map<std::wstring, std::wstring> installed;  // lower-cased path -> Start-menu name
    int resets = 0, loads = 0;
    static constexpr int kIcon = 80;
    void ResetToBaseImages() override { ++resets; }
    void LoadInstalledPrograms() override { ++loads; }
    std::wstring InstalledName(const std::wstring& path) override {
        auto it = installed.find(ToLower(Trim(path)));
        return it == installed.end() ? std::wstring() : it->second;
    }
    int IconOf(const std::wstring&, const std::wstring&) override { return kIcon; }
};

class FakeRecordHost : public IRecordHost, public IProgress {
public:
    std::vector<std::wstring> captions;
    std::vector<TSaveRule> saves;
    std::vector<std::wstring> selectedPaths;
    bool progressShown = false, rebuilding = false, filterShown = false;
    int pumps = 0, allTabSelections = 0;
    void Pump() override { ++pumps; }
    void SetCaption(const std::wstring& text) override { captions.push_back(text); }
    void ShowProgress(bool show) override { progressShown = show; }
    void SetGauge(int, int) override {}
    void SetHint(const std::wstring&) override {}
    bool StopRequested() const override { return false; }
    void ClearStopRequest() override {}
    void SetTreeRebuilding(bool on) override { rebuilding = on; }
    void ShowFilterList(bool show) override { filterShown = show; }
    void SelectAllTab() override { ++allTabSelections; }
    void SaveRecord(TSaveRule rule) override { saves.push_back(rule); }
    void SelectItemByPath(const std::wstring& path) override { selectedPaths.push_back(path); }
};

}  // namespace qm::test
