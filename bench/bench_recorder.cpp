// The record operation over a fake desktop whose Recent folder holds N shortcuts
// to text documents, with the record already holding them (a tree of N nodes):
// against the floor of loading each shortcut once, in the same run, for N = 500
// and N = 5,000. The growth from 500 to 5,000 shows whether any step is quadratic.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/files.h"
#include "benchutil.h"
#include "recentdesktop.h"
#include "capture/recorder.h"
#include "support/fakecapture.h"

using Microsoft::WRL::ComPtr;
using namespace qm;
using qm::bench::Desktop;
using qm::bench::MakeDesktop;

namespace {

// Seconds of one smart-mode run over a record that already holds every document.
double RecordRun(const Desktop& d) {
    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    test::FakeApps apps;
    test::FakeLocations locations;
    test::FakeRecordHost host;
    TRecorder recorder(model, options, images, L"C:\\no-documents");
    recorder.SetHost(&host, &host);
    recorder.SetSources(&apps, &locations, d.recent, d.links);
    recorder.Record({true, false, false});  // builds the tree of the documents
    std::printf("  %zu shortcuts, tree of %d nodes\n", d.shortcuts.size(), model.all.NodeCount());
    return bench::Best(3, [&] { recorder.Record({false, true, false}); });
}

double Floor(const Desktop& d) {
    ComPtr<IShellLinkW> link;
    ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
    ComPtr<IPersistFile> file;
    link.As(&file);
    return bench::Best(3, [&] {
        for (const auto& p : d.shortcuts) file->Load(p.c_str(), STGM_READ);
    });
}

}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    Desktop small = MakeDesktop(JoinPath(tmp, L"qm-bench-recorder-500"), 500);
    Desktop large = MakeDesktop(JoinPath(tmp, L"qm-bench-recorder-5000"), 5000);
    double t500 = RecordRun(small), floor500 = Floor(small);
    double t5000 = RecordRun(large), floor5000 = Floor(large);
    bench::Report("record_500_recent_500_nodes", t500, floor500, 1.3);
    bench::Report("record_5000_recent_5000_nodes", t5000, floor5000, 1.3);
    bench::Report("record_growth_5000_over_500", t5000, t500, 12);
    return 0;
}
