// A hand-off of N paths (what a selection sent from Explorer becomes) added to a
// record that already holds 5,000 items, against the floor of looking at each
// path once (its attributes, and a shortcut's target), in the same run, for
// N = 500 and N = 5,000. The growth from 500 to 5,000 shows whether any step of
// the adding is quadratic; the save that follows is reported for information.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/handoff.h"
#include "base/files.h"
#include "benchutil.h"
#include "capture/links.h"
#include "capture/recorder.h"
#include "records/treefile.h"
#include "ui/window.h"
#include "support/fakecapture.h"
#include "support/manypaths.h"

using namespace qm;

namespace {

// The window's side, pumping as its progress panel does.
class Host : public IEntryHost, public TNoProgress {
    TPacedPump pump_;

public:
    void HoldTreeRepaints(bool) override {}
    void SaveSelectedRecord() override {}
    void ShowLastRecordedPath() override {}
    void ReselectRecord() override {}
    void RestoreSmartRecord() override {}
    void Pump() override { pump_(); }
};

struct Fixture {
    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    test::FakeApps apps;
    test::FakeLocations locations;
    test::FakeRecordHost recordHost;
    Host host;
    TRecorder recorder{model, options, images, L"C:\\no-documents"};

    explicit Fixture(const std::vector<std::wstring>& existing) {
        recorder.SetHost(&recordHost, &host);
        AddHandoffEntries(existing, recorder, host, host);
        before = model.items.Count();
    }
    int before = 0;
};

void CheckAttributes(const test::TManyPaths& set) {
    for (const auto& p : set.paths) ::GetFileAttributesW(p.c_str());
}
void ReadLinks(const test::TManyPaths& set) {
    for (const auto& l : set.links) ResolveLink(l);
}

double Floor(const test::TManyPaths& set) {
    return bench::Best(3, [&] {
        CheckAttributes(set);
        ReadLinks(set);
    });
}

}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    const std::wstring root = JoinPath(tmp, L"qm-bench-handoff");
    test::TManyPaths existing = test::MakeManyPaths(root, 5000, L" recorded");
    test::TManyPaths small = test::MakeManyPaths(root, 500, L" small");
    test::TManyPaths large = test::MakeManyPaths(root, 5000, L" large");

    double times[2] = {}, floors[2] = {}, saves[2] = {};
    const test::TManyPaths* sets[2] = {&small, &large};
    for (int s = 0; s < 2; ++s) {
        std::unique_ptr<Fixture> f;
        times[s] = bench::Best(
            3, [&] { AddHandoffEntries(sets[s]->paths, f->recorder, f->host, f->host); },
            [&] { f = std::make_unique<Fixture>(existing.paths); });
        std::printf("  %zu paths into a record of %d items, now %d\n", sets[s]->paths.size(), f->before,
                    f->model.items.Count());
        const std::wstring file = JoinPath(root, L"saved.quilmar");
        saves[s] = bench::Best(3, [&] { WriteTreeFile(file, f->model, L"quilmar"); });
        floors[s] = Floor(*sets[s]);
        // Where the floor's time goes, for information.
        const double attributes = bench::Best(3, [&] { CheckAttributes(*sets[s]); });
        const double links = bench::Best(3, [&] { ReadLinks(*sets[s]); });
        std::printf("  floor of %zu paths: attribute checks %.1f ms, %zu shortcuts read %.1f ms\n",
                    sets[s]->paths.size(), attributes * 1000, sets[s]->links.size(), links * 1000);
    }
    bench::Report("handoff_500_into_5000_items", times[0], floors[0], 1.3);
    bench::Report("handoff_5000_into_5000_items", times[1], floors[1], 1.3);
    bench::Report("handoff_growth_5000_over_500", times[1], times[0], 11);
    std::printf("  save after the hand-off: %.1f ms (500), %.1f ms (5,000)\n", saves[0] * 1000, saves[1] * 1000);
    return 0;
}
