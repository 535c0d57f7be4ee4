// Building the All tree of 5,000 top-level nodes with 5 children each, against a
// plain sort of the same texts with the same comparison.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "benchutil.h"
#include "records/model.h"

int main() {
    using namespace qm;
    std::mt19937 rng(42);
    auto word = [&] {
        std::wstring w;
        for (int i = 0; i < 12; ++i) w.push_back(static_cast<wchar_t>(L'a' + rng() % 26));
        return w;
    };
    std::vector<std::wstring> tops(5000);
    std::vector<std::vector<std::wstring>> kids(5000);
    for (int i = 0; i < 5000; ++i) {
        tops[static_cast<size_t>(i)] = word();
        for (int k = 0; k < 5; ++k) kids[static_cast<size_t>(i)].push_back(word());
    }

    double build = bench::Best(5, [&] {
        TRecordModel m;
        for (size_t i = 0; i < tops.size(); ++i) {
            TTreeNode* n = m.all.Add(nullptr, tops[i], m.items.Append());
            for (const auto& k : kids[i]) m.all.Add(n, k, m.items.Append());
        }
    });
    double sort = bench::Best(5, [&] {
        std::vector<std::wstring> all = tops;
        std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return CompareNodeText(a, b) < 0; });
        for (const auto& group : kids) {
            std::vector<std::wstring> g = group;
            std::sort(g.begin(), g.end(), [](const auto& a, const auto& b) { return CompareNodeText(a, b) < 0; });
        }
    });
    bench::Report("model_build_all_tree_5000x5", build, sort, 2.0);
    return 0;
}
