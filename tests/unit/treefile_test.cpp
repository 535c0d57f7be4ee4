#include "records/treefile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "base/files.h"
#include "base/strings.h"
#include "base/xmlreader.h"
#include "base/xmlreader.h"
#include "records/sidefiles.h"
#include "support/tempdir.h"

namespace qm {
namespace {

int AddNode(TRecordModel& m, TTreeNode* parent, const std::wstring& text, const std::wstring& path, int kind, int image,
            TTreeNode** made = nullptr) {
    int i = m.items.Append();
    m.items.At(i).path = path;
    m.items.At(i).title = text;
    m.items.At(i).docType = kind;
    TTreeNode* n = m.all.Add(parent, text, i, image);
    if (made) *made = n;
    return i;
}

std::string Xml(const std::string& items) { return "<quilmartree app=\"x\">" + items + "</quilmartree>"; }
std::string Item(const char* text, const char* rest = "") {
    return std::string("<item text=\"") + text + "\" path=\"C:\\" + text +
           "\" imageIndex=\"4\" stateIndex=\"-1\" docType=\"2\" extand=\"-1\"" + rest + "/>";
}

TEST(TreeFile, WritesAttributesInOrderWithoutDeclaration) {
    TRecordModel m;
    TTreeNode* top = nullptr;
    AddNode(m, nullptr, L"notepad", L"C:\\w\\notepad.exe", 2, 7, &top);
    AddNode(m, top, L"a.txt", L"C:\\a.txt", 2, 9);
    top->SetExpanded(true);
    std::string xml = BuildTreeXml(m, L"C:\\Program Files\\QuilMar\\quilmar.exe");
    EXPECT_EQ(xml,
              "\xEF\xBB\xBF<quilmartree app=\"C:\\Program Files\\QuilMar\\quilmar.exe\">"
              "<item text=\"notepad\" path=\"C:\\w\\notepad.exe\" imageIndex=\"7\" stateIndex=\"-1\" docType=\"2\" "
              "extand=\"1\"><item text=\"a.txt\" path=\"C:\\a.txt\" imageIndex=\"9\" stateIndex=\"-1\" docType=\"2\" "
              "extand=\"-1\"/></item></quilmartree>\r\n");
    top->SetExpanded(false);
    EXPECT_NE(BuildTreeXml(m, L"x").find("extand=\"0\""), std::string::npos);
}

TEST(TreeFile, HostileTextSurvivesTheRoundTrip) {
    const std::wstring texts[] = {
        L"a & b < c > d \"quoted\" 'single'",
        L"Gr\u00FC\u00DFe \u4E2D\u6587 \xD83D\xDE00",
        L"tab\there\r\nnew line",
        L"&amp; already escaped &#10;",
        L"]]> <!-- --> <?pi?>",
    };
    TRecordModel m;
    for (const auto& t : texts) AddNode(m, nullptr, t, L"C:\\" + t, 2, 1);
    TRecordModel back;
    ASSERT_EQ(ReadTreeXml(BuildTreeXml(m, L"C:\\q&<\"x"), back), TTreeLoad::Loaded);
    ASSERT_EQ(back.all.TopCount(), m.all.TopCount());
    // Tab, CR and LF are written as character references; a conforming reader gives
    // them back, Wine's turns them into blanks. Either way the record loads whole.
    auto blanks = [](std::wstring s) {
        for (auto& c : s)
            if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
        return s;
    };
    for (int i = 0; i < m.all.TopCount(); ++i) {
        EXPECT_EQ(blanks(back.all.Top(i)->Text()), blanks(m.all.Top(i)->Text()));
        EXPECT_EQ(blanks(back.items.At(back.all.Top(i)->Index()).path), blanks(m.items.At(m.all.Top(i)->Index()).path));
    }
}

TEST(TreeFile, CharactersXmlCannotHoldBecomeReplacementCharacters) {
    TRecordModel m;
    std::wstring bad = std::wstring(L"a") + wchar_t(1) + L"b" + wchar_t(0xD800) + L"c" + wchar_t(0xFFFF);
    AddNode(m, nullptr, bad, L"C:\\x", 2, 0);
    AddNode(m, nullptr, L"after", L"C:\\y", 2, 0);
    TRecordModel back;
    ASSERT_EQ(ReadTreeXml(BuildTreeXml(m, L"x"), back), TTreeLoad::Loaded);
    ASSERT_EQ(back.all.TopCount(), 2);
    EXPECT_EQ(back.all.Top(0)->Text(), L"a\uFFFDb\uFFFDc\uFFFD");
}

TEST(TreeFile, LoadFillsItemsAndNodes) {
    TRecordModel m;
    std::string xml =
        Xml("<item text=\"Web\" path=\"example.com\" imageIndex=\"1\" extand=\"1\" docType=\"1\">"
            "<page text=\"Page\" path=\"http://example.com/\" imageIndex=\"1\" extand=\"-1\" "
            "docType=\"1\"/></item>");
    ASSERT_EQ(ReadTreeXml(xml, m), TTreeLoad::Loaded);
    EXPECT_TRUE(m.WebPageTabVisible());
    ASSERT_EQ(m.all.TopCount(), 1);
    const TTreeNode* top = m.all.Top(0);
    ASSERT_EQ(top->ChildCount(), 1);  // any tag is an item
    const TMyDoc& child = m.items.At(top->Child(0)->Index());
    EXPECT_EQ(child.path, L"http://example.com/");
    EXPECT_EQ(child.groupKey, child.path);
    EXPECT_EQ(child.title, L"Page");
    EXPECT_EQ(child.imageIndex, 1);
    EXPECT_EQ(top->Child(0)->SelectedImage(), 1);
}

TEST(TreeFile, DamagedFilesLoadWhatTheyCan) {
    struct Case {
        const char* name;
        std::string bytes;
        TTreeLoad result;
        int nodes;
    };
    const Case cases[] = {
        {"missing attribute at element 3 keeps 2",
         Xml(Item("a") + Item("b") + "<item text=\"c\" path=\"p\" imageIndex=\"1\" docType=\"2\"/>" + Item("d")),
         TTreeLoad::Stopped, 2},
        {"missing attribute in a child keeps its parent",
         Xml("<item text=\"a\" path=\"p\" imageIndex=\"1\" extand=\"1\" docType=\"2\"><item text=\"c\"/></item>"),
         TTreeLoad::Stopped, 1},
        {"number that is not a number stops",
         Xml(Item("a") + "<item text=\"b\" path=\"p\" imageIndex=\"x\" extand=\"-1\" docType=\"2\"/>"),
         TTreeLoad::Stopped, 1},
        {"not well-formed loads nothing", Xml(Item("a") + "<item text=\"b\""), TTreeLoad::NotWellFormed, 0},
        {"truncated", Xml(Item("a") + Item("b")).substr(0, 90), TTreeLoad::NotWellFormed, 0},
        {"empty", "", TTreeLoad::NotWellFormed, 0},
        {"garbage", "\x01\x02\x03 not xml", TTreeLoad::NotWellFormed, 0},
        {"root only", "<quilmartree/>", TTreeLoad::Loaded, 0},
        {"other root name", "<other>" + Item("a") + "</other>", TTreeLoad::Loaded, 1},
        {"utf-16 with mark", std::string("\xFF\xFE<\0r\0/\0>\0", 10), TTreeLoad::Loaded, 0},
        {"doctype refused", "<!DOCTYPE x [<!ENTITY e \"boom\">]><x/>", TTreeLoad::NotWellFormed, 0},
        {"attributes in any order, unknown ones passed over",
         Xml("<item docType=\"2\" color=\"red\" extand=\"-1\" imageIndex=\"1\" path=\"p\" text=\"a\"/>"),
         TTreeLoad::Loaded, 1},
        {"a text in a namespace is not the text",
         Xml("<item xmlns:o=\"urn:other\" o:text=\"a\" path=\"p\" imageIndex=\"1\" extand=\"-1\" docType=\"2\"/>"),
         TTreeLoad::Stopped, 0},
        {"a name that only begins like one is not it",
         Xml("<item texts=\"a\" path=\"p\" imageIndex=\"1\" extand=\"-1\" docType=\"2\"/>"), TTreeLoad::Stopped, 0},
    };
    for (const auto& c : cases) {
        TRecordModel m;
        EXPECT_EQ(ReadTreeXml(c.bytes, m), c.result) << c.name;
        EXPECT_EQ(m.all.NodeCount(), c.nodes) << c.name;
        EXPECT_EQ(m.items.Count(), c.nodes) << c.name;  // no node without its item and back
    }
    // XML has no duplicate attributes; a reader that lets one through (Wine's
    // does) gives the first value, never the later one.
    TRecordModel m;
    TTreeLoad duplicate = ReadTreeXml(Xml("<item text=\"a\" text=\"b\" path=\"p\" imageIndex=\"1\" extand=\"-1\" "
                                          "docType=\"2\" docType=\"x\"/>"),
                                      m);
    if (duplicate != TTreeLoad::NotWellFormed) {
        ASSERT_EQ(m.all.TopCount(), 1);
        EXPECT_EQ(m.all.Top(0)->Text(), L"a");
    }
}

TEST(TreeFile, Utf16FileWithMarkLoads) {
    std::wstring text =
        L"<quilmartree app=\"x\"><item text=\"\u4E2D\" path=\"C:\\\u4E2D\" imageIndex=\"3\" "
        L"extand=\"-1\" docType=\"3\"/></quilmartree>";
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    TRecordModel m;
    ASSERT_EQ(ReadTreeXml(bytes, m), TTreeLoad::Loaded);
    ASSERT_EQ(m.all.TopCount(), 1);
    EXPECT_EQ(m.all.Top(0)->Text(), L"\u4E2D");
}

TEST(TreeFile, VeryDeepBranchStopsTheFileThereAndKeepsWhatCameBefore) {
    // Two items, a branch nested far deeper than any capture makes, one more item.
    std::string xml = "<quilmartree>" + Item("a first") + Item("b second");
    const int depth = 100000;
    for (int i = 0; i < depth; ++i)
        xml += "<item text=\"c deep\" path=\"p\" imageIndex=\"0\" extand=\"1\" docType=\"2\">";
    for (int i = 0; i < depth; ++i) xml += "</item>";
    xml += Item("d after") + "</quilmartree>";
    TRecordModel m;
    EXPECT_EQ(ReadTreeXml(xml, m), TTreeLoad::Stopped);
    // What came before the limit is kept: both items and the branch down to the
    // deepest level read; nothing after the branch, as reading ends there.
    ASSERT_EQ(m.all.TopCount(), 3);
    EXPECT_EQ(m.all.Top(0)->Text(), L"a first");
    EXPECT_EQ(m.all.Top(1)->Text(), L"b second");
    int levels = 0;
    for (TTreeNode* n = m.all.Top(2); n; n = n->ChildCount() ? n->Child(0) : nullptr) ++levels;
    EXPECT_EQ(levels, kMaxTreeDepth);
    EXPECT_EQ(m.all.NodeCount(), 2 + kMaxTreeDepth);
    EXPECT_EQ(m.items.Count(), m.all.NodeCount());
}

TEST(TreeFile, SavesTheFirst5000TopLevelNodes) {
    TRecordModel m;
    for (int i = 0; i < 6000; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"n%05d", i);
        AddNode(m, nullptr, name, name, 2, 0);
    }
    TRecordModel back;
    ASSERT_EQ(ReadTreeXml(BuildTreeXml(m, L"x"), back), TTreeLoad::Loaded);
    EXPECT_EQ(back.all.TopCount(), 5000);
    EXPECT_EQ(back.all.Top(4999)->Text(), L"n04999");
}

TEST(TreeFile, DeletedNodeIsNotSavedAlthoughTheItemStays) {
    TRecordModel m;
    TTreeNode* gone = nullptr;
    AddNode(m, nullptr, L"keep", L"C:\\keep", 2, 0);
    AddNode(m, nullptr, L"gone", L"C:\\gone", 2, 0, &gone);
    m.all.Remove(gone);
    EXPECT_EQ(m.items.Count(), 2);
    TRecordModel back;
    ReadTreeXml(BuildTreeXml(m, L"x"), back);
    EXPECT_EQ(back.items.Count(), 1);
    EXPECT_EQ(back.items.At(0).path, L"C:\\keep");
}

TEST(XmlInput, ReadsThatEndAfterAsciiCutNoCharacter) {
    struct Case {
        const char* rest;
        size_t wanted, expected;
    } cases[] = {
        {"abcdef", 4, 4},                    // ends on ASCII: whole
        {"abc\xC3\xA9z", 5, 3},              // a whole two-byte character last: cut before it
        {"abc\xC3\xA9z", 4, 3},              // the character cut in two
        {"ab\xE4\xB8\xAD\xC3\xA9z", 6, 2},   // several characters after the last ASCII byte
        {"\xE4\xB8\xAD\xE4\xB8\xAD", 5, 3},  // no ASCII byte: before the last character that starts
        {"\xF0\x9F\x98\x80x", 4, 4},         // nothing shorter would end a character
        {"ab\xC3\xA9", 10, 4},               // the end of the text is always whole
        {"", 4, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(AsciiEndedReadLength(c.rest, c.wanted), c.expected) << c.rest;
}

// The reader takes its input in blocks: a character of two, three or four bytes
// must come back whole wherever a block boundary falls in it, across a record
// large enough to span many blocks.
TEST(TreeFile, NonAsciiTextComesBackWholeAtEveryOffset) {
    const std::wstring kinds[] = {L"\u00E9", L"\u4E2D", L"\xD83D\xDE00"};
    for (const std::wstring& ch : kinds) {
        TRecordModel m;
        TTreeNode* top = nullptr;
        AddNode(m, nullptr, L"notepad", L"C:\\w\\notepad.exe", 2, 0, &top);
        std::wstring pad;
        // Names of every length shift the character across every byte position.
        for (int i = 0; i < 3000; ++i) {
            pad.assign(static_cast<size_t>(i % 17), L'x');
            std::wstring path = L"C:\\docs " + ch + L" " + std::to_wstring(i / 200) + L"\\" + pad + L"document " +
                                std::to_wstring(i) + ch + L".txt";
            AddNode(m, top, FileNameOf(path), path, 2, 0);
        }
        TRecordModel back;
        ASSERT_EQ(ReadTreeXml(BuildTreeXml(m, L"x"), back), TTreeLoad::Loaded);
        ASSERT_EQ(back.items.Count(), m.items.Count());
        // The tree keeps its children in its own order: compare the sets.
        auto paths = [](const TRecordModel& r) {
            std::vector<std::wstring> out;
            for (int i = 0; i < r.items.Count(); ++i) out.push_back(r.items.At(i).path + L"|" + r.items.At(i).title);
            std::sort(out.begin(), out.end());
            return out;
        };
        std::vector<std::wstring> want = paths(m), got = paths(back);
        std::vector<std::wstring> lost;
        std::set_difference(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(lost));
        EXPECT_TRUE(lost.empty()) << lost.size() << " changed for U+" << std::hex << static_cast<unsigned>(ch[0])
                                  << ", first " << WideToUtf8(lost.empty() ? L"" : lost[0]);
    }
}

}  // namespace
}  // namespace qm
