#include "records/sidefiles.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/listfile.h"
#include "support/images.h"
#include "support/tempdir.h"

namespace qm {
namespace {

TRecordModel FourTopNodes() {
    TRecordModel m;
    for (const wchar_t* t : {L"a", L"b", L"c", L"d"}) {
        int i = m.items.Append();
        TTreeNode* n = m.all.Add(nullptr, t, i);
        m.all.Add(n, L"child", m.items.Append());
    }
    return m;
}

std::vector<bool> Expanded(const TRecordModel& m) {
    std::vector<bool> out;
    for (const auto& n : m.all.TopNodes()) out.push_back(n->Expanded());
    return out;
}

TEST(ExpansionFile, LinesFollowTheTopLevelNodes) {
    TRecordModel m = FourTopNodes();
    m.all.Add(nullptr, L"e leaf", m.items.Append());
    m.all.Top(1)->SetExpanded(true);
    m.all.Top(4)->SetExpanded(true);  // no children: still "0"
    EXPECT_EQ(ExpansionLines(m.all), (std::vector<std::wstring>{L"0", L"1", L"0", L"0", L"0"}));
}

TEST(ExpansionFile, ShortFilesArePaddedAtTheFront) {
    struct Case {
        std::vector<std::wstring> lines;
        std::vector<bool> expanded;
    };
    const Case cases[] = {
        {{L"1", L"1"}, {false, false, true, true}},
        {{L"1", L"0", L"1", L"0"}, {true, false, true, false}},
        {{L"1", L"1", L"1", L"1", L"1", L"1"}, {true, true, true, true}},
        {{L"x", L" 1 ", L"0x1", L"2"}, {false, true, true, false}},
        {{}, {false, false, false, false}},
    };
    for (const auto& c : cases) {
        TRecordModel m = FourTopNodes();
        ApplyExpansionLines(c.lines, m);
        EXPECT_EQ(Expanded(m), c.expanded);
        EXPECT_EQ(m.items.At(m.all.Top(3)->Index()).expanded, c.expanded[3]);
    }
}

TEST(ExpansionFile, FileRoundTripAndMissingFile) {
    test::TempDir dir;
    TRecordModel m = FourTopNodes();
    m.all.Top(2)->SetExpanded(true);
    std::wstring path = dir / L"r.quilmartreesel";
    ASSERT_TRUE(WriteExpansionFile(path, m.all));
    EXPECT_EQ(ReadFileBytes(path)->substr(0, 2), "\xFF\xFE");
    TRecordModel back = FourTopNodes();
    ASSERT_TRUE(ReadExpansionFile(path, back));
    EXPECT_EQ(Expanded(back), (std::vector<bool>{false, false, true, false}));
    EXPECT_FALSE(ReadExpansionFile(dir / L"missing", back));
}

TEST(ImageFile, RoundTripKeepsCountAndPixels) {
    HIMAGELIST list = test::MakeImageList(80);
    auto bytes = BuildImageFile(list);
    ASSERT_TRUE(bytes.has_value());
    // Resource header, then the component stream.
    EXPECT_EQ(static_cast<unsigned char>((*bytes)[0]), 0xFF);
    EXPECT_EQ(bytes->substr(3, 11), std::string("TIMAGELIST\0", 11));
    EXPECT_EQ(bytes->substr(20, 4), "TPF0");
    EXPECT_EQ(bytes->substr(24, 11), "\x0ATImageList");
    EXPECT_NE(bytes->find("\x06Height\x02\x10"), std::string::npos);
    EXPECT_NE(bytes->find("\x05Width\x02\x10"), std::string::npos);
    EXPECT_EQ(bytes->substr(bytes->size() - 2), std::string("\0\0", 2));
    uint32_t rest = 0;
    memcpy(&rest, bytes->data() + 16, 4);
    EXPECT_EQ(rest, bytes->size() - 20);

    HIMAGELIST back = ParseImageFile(*bytes);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(back), 80);
    for (int i : {0, 1, 40, 79}) EXPECT_EQ(test::PixelOf(back, i), test::PixelOf(list, i)) << i;
    ImageList_Destroy(back);
    ImageList_Destroy(list);
}

TEST(ImageFile, UnparsableBytesGiveNothing) {
    HIMAGELIST list = test::MakeImageList(3);
    std::string good = BuildImageFile(list).value();
    ImageList_Destroy(list);
    const std::string cases[] = {
        "",
        "TPF0",
        good.substr(0, 40),
        good.substr(0, good.size() / 2),
        std::string(200, '\0'),
        "TPF0\x0ATImageList\x0AImageList1\x06"
        "Bitmap\x0A\xFF\xFF\xFF\x7F",
    };
    for (const auto& c : cases) {
        HIMAGELIST got = ParseImageFile(c);
        EXPECT_EQ(got, nullptr) << c.size();
        if (got) ImageList_Destroy(got);
    }
}

}  // namespace
}  // namespace qm
