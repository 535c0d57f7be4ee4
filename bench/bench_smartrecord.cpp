// One idle Smart Record tick: the smart-mode record operation over a desktop
// whose 5,000 recent documents, running programs and open folders are all in
// the record already, against the bare scan of the same desktop (the same
// sources read, nothing compared or recorded) in the same run. The tick must
// cost little more than the scan and write nothing.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "benchutil.h"
#include "capture/recentdocs.h"
#include "capture/recorder.h"
#include "recentdesktop.h"
#include "support/fakecapture.h"

using namespace qm;

namespace {

constexpr int kItems = 5000;

// Running programs and open folders as the scans would find them.
void FillSources(test::FakeApps& apps, test::FakeLocations& locations) {
    for (int i = 0; i < 50; ++i)
        apps.apps.push_back({L"C:\\programs\\app" + std::to_wstring(i) + L".exe", L"App " + std::to_wstring(i)});
    for (int i = 0; i < 20; ++i)
        locations.locations.push_back({L"C:\\folders\\folder " + std::to_wstring(i), L"folder " + std::to_wstring(i)});
    locations.pages = {{L"http://example.com/page", L"Example"}};
}

}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    bench::Desktop desktop = bench::MakeDesktop(JoinPath(tmp, L"qm-bench-recorder-5000"), kItems);

    TRecordModel model;
    TRecordOptions options;
    options.webpage = true;
    test::FakeImages images;
    test::FakeApps apps;
    test::FakeLocations locations;
    FillSources(apps, locations);
    test::FakeRecordHost host;
    TRecorder recorder(model, options, images, L"C:\\no-documents");
    recorder.SetHost(&host, &host);
    recorder.SetSources(&apps, &locations, desktop.recent, desktop.links);
    recorder.Record({true, false, false});  // the record of everything open
    host.saves.clear();
    std::printf("  record of %d items, %d nodes\n", model.items.Count(), model.all.NodeCount());

    auto bareScan = [&] {
        std::vector<TAppPair> foundApps;
        std::vector<TFilterRow> rows;
        std::vector<TLocationPair> foundLocations;
        images.LoadInstalledPrograms();
        apps.Scan(options.filterPCStart, foundApps, rows, {});
        locations.Scan(options.webpage, foundLocations, {});
        locations.BrowserPages();
        TRecentDocuments recent;
        recent.Scan(desktop.recent, options, true);
    };
    // Taken in turns, so a machine busy with other work weighs on both alike.
    double tick = 1e30, scan = 1e30;
    for (int i = 0; i < 5; ++i) {
        tick = std::min(tick, bench::Best(1, [&] { recorder.Record({false, true, false}); }));
        scan = std::min(scan, bench::Best(1, bareScan));
    }
    size_t writes = host.saves.size();
    bench::Report("smart_idle_tick_5000_items", tick, scan, 1.1);
    std::printf("  smart_idle_tick_5000_items: %zu writes\n", writes);
    return writes == 0 ? 0 : 1;
}
