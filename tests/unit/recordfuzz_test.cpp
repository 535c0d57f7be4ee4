// Mutated record files, made from a fixed seed: every reader must survive them.
#include <gtest/gtest.h>

#include <random>

#include "base/listfile.h"
#include "records/sidefiles.h"
#include "records/treefile.h"
#include "support/images.h"

namespace qm {
namespace {

std::string Mutate(const std::string& in, std::mt19937& rng) {
    std::string s = in;
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        size_t at = rng() % s.size();
        switch (rng() % 5) {
            case 0: s[at] = static_cast<char>(rng()); break;                      // flip a byte
            case 1: s.erase(at, 1 + rng() % 16); break;                           // drop a run
            case 2: s.insert(at, s.substr(rng() % s.size(), 1 + rng() % 32)); break;  // repeat a run
            case 3: s.resize(at); break;                                           // truncate
            case 4: s.insert(at, 1, "<>&\"'\0\xFF/="[rng() % 11]); break;         // XML-ish noise
        }
    }
    return s;
}

TRecordModel Sample() {
    TRecordModel m;
    for (int i = 0; i < 12; ++i) {
        int idx = m.items.Append();
        m.items.At(idx).path = L"C:\\folder " + std::to_wstring(i) + L"\\\u00E4 & <x>.txt";
        m.items.At(idx).docType = 1 + i % 3;
        TTreeNode* n = m.all.Add(nullptr, L"node " + std::to_wstring(i), idx, i);
        for (int k = 0; k < 3; ++k) m.all.Add(n, L"child", m.items.Append(), k);
        n->SetExpanded(i % 2 == 0);
    }
    return m;
}

TEST(RecordFuzz, TreeFilesNeverCrashAndKeepNodesWithItems) {
    std::string base = BuildTreeXml(Sample(), L"C:\\quilmar.exe");
    std::mt19937 rng(20261209);
    for (int i = 0; i < 2000; ++i) {
        TRecordModel m;
        ReadTreeXml(Mutate(base, rng), m);
        ASSERT_LE(m.all.NodeCount(), m.items.Count());
        m.RebuildCategoryTrees();
    }
}

TEST(RecordFuzz, ExpansionFilesNeverCrash) {
    TRecordModel m = Sample();
    std::string base = EncodeListText(ExpansionLines(m.all));
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) ApplyExpansionLines(DecodeListText(Mutate(base, rng)), m);
}

TEST(RecordFuzz, ImageFilesNeverCrash) {
    HIMAGELIST list = test::MakeImageList(6);
    std::string base = BuildImageFile(list).value();
    ImageList_Destroy(list);
    std::mt19937 rng(99);
    int parsed = 0;
    for (int i = 0; i < 1000; ++i) {
        if (HIMAGELIST got = ParseImageFile(Mutate(base, rng))) {
            ++parsed;
            ImageList_Destroy(got);
        }
    }
    EXPECT_LT(parsed, 1000);
}

}  // namespace
}  // namespace qm
