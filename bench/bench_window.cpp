// What the user waits for when a large record is selected: a real main window,
// created in this process, loads the record and shows it in its trees; against
// the floor of reading the same file's XML and nothing else, in the same run,
// for 5,000 and 25,000 items (programs with four documents each).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/mainwindow.h"
#include "app/treepane.h"
#include "base/files.h"
#include "benchutil.h"
#include "records/model.h"
#include "records/treefile.h"
#include "support/fakecapture.h"
#include "ui/window.h"
#include "xmlbare.h"

using namespace qm;

namespace {

void WriteRecord(const std::wstring& file, int programs) {
    TRecordModel m;
    for (int p = 0; p < programs; ++p) {
        int index = m.items.Append();
        m.items.At(index).path = L"C:\\Programs\\program " + std::to_wstring(p) + L".exe";
        m.items.At(index).docType = kDocAppOrFile;
        TTreeNode* top = m.all.Add(nullptr, L"program " + std::to_wstring(p), index);
        for (int d = 0; d < 4; ++d) {
            int doc = m.items.Append();
            m.items.At(doc).path =
                L"C:\\Documents\\document " + std::to_wstring(p) + L"-" + std::to_wstring(d) + L".txt";
            m.items.At(doc).docType = kDocAppOrFile;
            m.all.Add(top, L"document " + std::to_wstring(d), doc);
        }
    }
    WriteTreeFile(file, m, L"quilmar");
}

// Selects the record at index in the window's list as a click does; returns
// when the window has loaded it and shows it.
void Select(TQuilmarWindow& window, int index) {
    HWND list = window.RecordList().Handle();
    ::SendMessageW(list, LB_SETSEL, FALSE, -1);
    ::SendMessageW(list, LB_SETSEL, TRUE, index);
    ::SendMessageW(list, LB_SETCARETINDEX, index, FALSE);
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
    PumpPendingMessages();
}

}  // namespace

int main() {
    ::OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    const std::wstring root = JoinPath(tmp, L"qm-bench-window");
    const std::wstring records = JoinPath(root, L"records\\");
    CreateFolderTree(records);
    // The list is sorted by name: a tiny record first, then the two sizes.
    const std::wstring tiny = JoinPath(records, L"Dec 01,2026_001.quilmar");
    const std::wstring small = JoinPath(records, L"Dec 02,2026_001.quilmar");
    const std::wstring large = JoinPath(records, L"Dec 03,2026_001.quilmar");
    WriteRecord(tiny, 1);
    WriteRecord(small, 1000);
    WriteRecord(large, 5000);

    auto store =
        std::make_unique<TSettingsStore>(TSettingsStore::Open(JoinPath(root, L"user"), JoinPath(root, L"common")));
    store->User().WriteString(keys::kSectionDefault, keys::EdtRECPath, records);
    store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenRecord, false);
    test::FakeApps apps;
    test::FakeLocations locations;
    TQuilmarWindow window(*store, {}, ParseStartFlags({}));
    if (!window.Create()) return 1;
    window.SetCaptureSources(&apps, &locations, JoinPath(root, L"recent"));
    window.ShowFirst(SW_SHOWNORMAL);
    window.FirstRun();
    PumpPendingMessages();

    HWND allTree = ::GetDlgItem(window.Handle(), TDocTreePane::kIdTreeFirst);
    double times[2] = {}, floors[2] = {};
    const std::wstring* files[2] = {&small, &large};
    for (int s = 0; s < 2; ++s) {
        times[s] = bench::Best(
            3, [&] { Select(window, s + 1); }, [&] { Select(window, 0); });
        std::printf("  %d items: %u on screen in the All tree, %d in the model\n", (s ? 5000 : 1000) * 5,
                    static_cast<unsigned>(TreeView_GetCount(allTree)), window.Model().items.Count());
        floors[s] = bench::Best(3, [&] { bench::BareRead(*files[s]); });
    }
    bench::Report("select_record_5000_items", times[0], floors[0], 4);
    bench::Report("select_record_25000_items", times[1], floors[1], 4);
    bench::Report("select_record_growth_25000_over_5000", times[1], times[0], 5.5);
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    if (::K32GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc)))
        std::printf("  peak working set with the 25,000-item record shown: %.1f MiB\n",
                    pmc.PeakWorkingSetSize / 1048576.0);
    return 0;
}
