// Loading and saving a record of 5,000 top-level nodes with 20,000 children,
// against the floor of the same run: a bare XmlLite read of the same file that
// builds nothing, and one safe write (temporary file, flush, move) of the same bytes.
#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <wrl/client.h>
#include <xmllite.h>

#include <cstdio>
#include <random>

#include "base/files.h"
#include "benchutil.h"
#include "xmlbare.h"
#include "records/recordstore.h"
#include "records/treefile.h"

using Microsoft::WRL::ComPtr;
using namespace qm;

namespace {

class List : public IRecordList {
public:
    std::vector<std::wstring> e;
    int cursor = -1;
    void Clear() override {
        e.clear();
        cursor = -1;
    }
    void Add(const std::wstring& n) override { e.push_back(n); }
    int Count() const override { return static_cast<int>(e.size()); }
    std::wstring Text(int i) const override { return e[static_cast<size_t>(i)]; }
    int Cursor() const override { return cursor; }
    void SelectOnly(int i) override { cursor = i; }
    std::vector<int> Selected() const override { return {cursor}; }
};

class Host : public IStoreHost, public TNoProgress {
public:
    void SetStatusTexts(const std::wstring&, const std::wstring&) override {}
    void ShowSearchEntry() override {}
    void HoldTreeRepaints(bool) override {}
    void TreesChanged() override {}
    bool Confirm(const std::wstring&) override { return true; }
    bool RunSettingsDialog() override { return false; }
    std::optional<std::wstring> AskNewName(const std::wstring&) override { return std::nullopt; }
};

}  // namespace

int main() {
    ::CoInitialize(nullptr);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring folder = JoinPath(tmp, L"qm-bench-records");
    CreateFolderTree(folder);

    TRecordModel model;
    model.SetImages(::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 80, 8));
    std::mt19937 rng(1);
    for (int i = 0; i < 5000; ++i) {
        int idx = model.items.Append();
        model.items.At(idx).path = L"C:\\Program Files\\Vendor " + std::to_wstring(rng()) + L"\\app.exe";
        model.items.At(idx).docType = 2;
        TTreeNode* n = model.all.Add(nullptr, L"Application " + std::to_wstring(rng()), idx, 5);
        for (int k = 0; k < 4; ++k) {
            int c = model.items.Append();
            model.items.At(c).path = L"C:\\Users\\me\\Documents\\report " + std::to_wstring(rng()) + L".docx";
            model.items.At(c).docType = 2;
            model.all.Add(n, L"report " + std::to_wstring(rng()), c, 9);
        }
    }

    TSettings settings;
    settings.record.recPath = folder;
    List list;
    Host host;
    TRecordStore store(model, settings, nullptr, list, host, host, L"C:\\quilmar.exe", folder);
    std::wstring path = JoinPath(folder, L"bench.quilmar");
    store.SetCurrentRecordPath(path);

    double save = bench::Best(5, [&] { store.SaveRecordTo(path); });
    std::string bytes = BuildTreeXml(model, L"C:\\quilmar.exe");
    double write = bench::Best(5, [&] { WriteFileReplacing(JoinPath(folder, L"floor.quilmar"), bytes); });
    bench::Report("record_save_25000_nodes", save, write, 2.0);

    list.e = {L"bench"};
    list.cursor = 0;
    TRecordModel loaded;
    TRecordStore reader(loaded, settings, nullptr, list, host, host, L"C:\\quilmar.exe", folder);
    double load = bench::Best(5, [&] { reader.SelectRecord(); });
    double floor = bench::Best(5, [&] { bench::BareRead(path); });
    std::printf("  loaded %d nodes\n", loaded.all.NodeCount());
    bench::Report("record_load_25000_nodes", load, floor, 2.0);
    return 0;
}
