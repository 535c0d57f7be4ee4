// Mutated record files, made from a fixed seed: every reader survives them
// and gives what a damaged file must give.
#include <gtest/gtest.h>

#include <cstring>
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
            case 0: s[at] = static_cast<char>(rng()); break;                          // flip a byte
            case 1: s.erase(at, 1 + rng() % 16); break;                               // drop a run
            case 2: s.insert(at, s.substr(rng() % s.size(), 1 + rng() % 32)); break;  // repeat a run
            case 3: s.resize(at); break;                                              // truncate
            case 4: s.insert(at, 1, "<>&\"'\0\xFF/="[rng() % 11]); break;             // XML-ish noise
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
        if (i % 3 == 2) continue;  // a top-level node without children
        for (int k = 0; k < 3; ++k) m.all.Add(n, L"child", m.items.Append(), k);
        n->SetExpanded(i % 2 == 0);
    }
    return m;
}

// A damaged tree file loads nothing when it is no longer well-formed (the
// record stays empty, nothing half-read), and otherwise loads nodes that each
// have their own item. Both outcomes occur among the mutations.
TEST(RecordFuzz, TreeFilesLoadNothingOrWholeNodesWithTheirItems) {
    TRecordModel sample = Sample();
    std::string base = BuildTreeXml(sample, L"C:\\quilmar.exe");
    {
        TRecordModel whole;
        ASSERT_EQ(ReadTreeXml(base, whole), TTreeLoad::Loaded);
        ASSERT_EQ(whole.all.NodeCount(), sample.all.NodeCount());
    }
    // A file cut short anywhere before the end of its root loads nothing.
    size_t rootEnd = base.rfind("</quilmartree>") + std::strlen("</quilmartree>");
    for (size_t cut = 0; cut < rootEnd; cut += 7) {
        TRecordModel m;
        ASSERT_EQ(ReadTreeXml(base.substr(0, cut), m), TTreeLoad::NotWellFormed) << cut;
        ASSERT_EQ(m.items.Count(), 0) << cut;
    }
    std::mt19937 rng(20261209);
    int refused = 0, loaded = 0;
    for (int i = 0; i < 2000; ++i) {
        TRecordModel m;
        TTreeLoad result = ReadTreeXml(Mutate(base, rng), m);
        if (result == TTreeLoad::NotWellFormed || result == TTreeLoad::Unreadable) {
            ++refused;
            ASSERT_EQ(m.all.NodeCount(), 0) << i;
            ASSERT_EQ(m.items.Count(), 0) << i;
        } else {
            ++loaded;
            ASSERT_EQ(m.all.NodeCount(), m.items.Count()) << i;
            m.all.ForEachNode([&](TTreeNode* n) { ASSERT_TRUE(m.items.IsValid(n->Index())) << i; });
        }
        m.RebuildCategoryTrees();
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loaded, 0);
}

// A damaged expansion file changes only expansion states: the tree keeps its
// nodes, a node without children is never expanded, each item's flag follows
// its node, and the undamaged file then gives back every state it saved.
TEST(RecordFuzz, ExpansionFilesChangeNothingButExpansionStates) {
    TRecordModel m = Sample();
    std::string base = EncodeListText(ExpansionLines(m.all));
    const int nodes = m.all.NodeCount();
    std::vector<bool> saved;
    for (const auto& n : m.all.TopNodes()) saved.push_back(n->Expanded());
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        ApplyExpansionLines(DecodeListText(Mutate(base, rng)), m);
        ASSERT_EQ(m.all.NodeCount(), nodes) << i;
        m.all.ForEachNode([&](TTreeNode* n) {
            if (!n->HasChildren()) {
                ASSERT_FALSE(n->Expanded()) << i;
            }
            if (n->Parent() == nullptr) {
                ASSERT_EQ(m.items.At(n->Index()).expanded, n->Expanded()) << i;
            }
        });
    }
    ApplyExpansionLines(DecodeListText(base), m);
    std::vector<bool> back;
    for (const auto& n : m.all.TopNodes()) back.push_back(n->Expanded());
    EXPECT_EQ(back, saved);
}

// A damaged image file gives either no list (the tree keeps the images it
// has) or a list of 16 by 16 images; the undamaged file gives every image back.
TEST(RecordFuzz, ImageFilesGiveNothingOrAListOfItemImages) {
    HIMAGELIST list = test::MakeImageList(6);
    std::string base = BuildImageFile(list).value();
    ImageList_Destroy(list);
    {
        HIMAGELIST whole = ParseImageFile(base);
        ASSERT_NE(whole, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(whole), 6);
        for (int k = 0; k < 6; ++k) EXPECT_EQ(test::PixelOf(whole, k), test::ColourFor(k)) << k;
        ImageList_Destroy(whole);
    }
    {
        // A file that holds images of another size is refused.
        HIMAGELIST large = ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 2, 2);
        ImageList_SetImageCount(large, 2);
        std::optional<std::string> other = BuildImageFile(large);
        ImageList_Destroy(large);
        ASSERT_TRUE(other.has_value());
        EXPECT_EQ(ParseImageFile(*other), nullptr);
    }
    std::mt19937 rng(99);
    int parsed = 0;
    for (int i = 0; i < 1000; ++i) {
        if (HIMAGELIST got = ParseImageFile(Mutate(base, rng))) {
            ++parsed;
            int cx = 0, cy = 0;
            EXPECT_TRUE(ImageList_GetIconSize(got, &cx, &cy));
            EXPECT_EQ(cx, 16) << i;
            EXPECT_EQ(cy, 16) << i;
            ImageList_Destroy(got);
        }
    }
    EXPECT_GT(parsed, 0);
    EXPECT_LT(parsed, 1000);
}

}  // namespace
}  // namespace qm
