// The search across records as the user waits for it: every record of the
// record list searched for a word, against reading the same files with the
// bare XML reader in the same run.
#include <windows.h>
#include <objbase.h>

#include <random>
#include <vector>

#include "base/files.h"
#include "benchutil.h"
#include "capture/recorder.h"
#include "records/treefile.h"
#include "replay/treecommands.h"
#include "support/fakecapture.h"
#include "xmlbare.h"

using namespace qm;

int main() {
    ::CoInitialize(nullptr);
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring folder = JoinPath(tmp, L"qm-bench-search");
    CreateFolderTree(folder);
    // 50 records of 500 items: 100 programs with 4 documents each; a few of
    // each record's documents hold the word searched for.
    std::mt19937 rng(7);
    std::vector<std::wstring> files;
    for (int r = 0; r < 50; ++r) {
        TRecordModel m;
        for (int i = 0; i < 100; ++i) {
            int app = m.items.Append();
            m.items.At(app).path = L"C:\\Program Files\\Vendor " + std::to_wstring(rng()) + L"\\app.exe";
            m.items.At(app).docType = 2;
            TTreeNode* n = m.all.Add(nullptr, L"Application " + std::to_wstring(rng()), app, 5);
            for (int k = 0; k < 4; ++k) {
                int doc = m.items.Append();
                bool hit = (i * 4 + k) % 97 == 0;
                std::wstring name = (hit ? L"Holiday plan " : L"report ") + std::to_wstring(rng()) + L".docx";
                m.items.At(doc).path = L"C:\\Users\\me\\Documents\\" + name;
                m.items.At(doc).docType = 2;
                m.all.Add(n, name, doc, 9);
            }
        }
        files.push_back(JoinPath(folder, L"record " + std::to_wstring(r) + L".quilmar"));
        WriteTreeFile(files.back(), m, L"quilmar");
    }

    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    test::FakeRecordHost host;
    TRecorder recorder(model, options, images, L"C:\\Users\\me\\Documents");
    recorder.SetHost(&host, &host);
    int found = 0;
    double search = bench::Best(
        5, [&] { found = SearchRecords(L"holiday", files, recorder); }, [&] { model.ClearAll(); });
    double none = bench::Best(5, [&] { SearchRecords(L"zzqq", files, recorder); });
    std::printf("  no match %.1f ms\n", none * 1000);
    double floor = bench::Best(5, [&] {
        for (const auto& f : files) bench::BareRead(f);
    });
    std::printf("  %d items found in %zu records\n", found, files.size());
    bench::Report("search_50_records", search, floor, 1.5);
    for (const auto& f : files) ::DeleteFileW(f.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return 0;
}
