// The extra attributes of record items: how they are written and read, and
// that records with and without them load in both directions.
#include "records/itemextras.h"

#include <shlwapi.h>
#include <wrl/client.h>
#include <xmllite.h>

#include <gtest/gtest.h>

#include <map>

#include "records/treefile.h"

namespace qm {
namespace {

TWindowPlace SomePlace() {
    TWindowPlace p;
    p.state = TShowState::Maximised;
    p.normal = RECT{10, 20, 810, 620};
    p.monitor = L"\\\\.\\DISPLAY2";
    p.workArea = RECT{1280, 0, 2560, 1000};
    return p;
}

// A record of a program with a placement and a site with a tab of a browser session.
TRecordModel ModelWithExtras() {
    TRecordModel m;
    int app = m.items.Append();
    m.items.At(app).path = L"C:\\Tools\\app.exe";
    m.items.At(app).docType = kDocAppOrFile;
    m.items.At(app).extras.place = SomePlace();
    m.all.Add(nullptr, L"App", app, 80);
    int site = m.items.Append();
    m.items.At(site).path = L"example.org";
    m.items.At(site).docType = kDocWebPage;
    TTreeNode* group = m.all.Add(nullptr, L"example.org", site, kImageWebPage);
    int page = m.items.Append();
    m.items.At(page).path = L"https://example.org/a";
    m.items.At(page).docType = kDocWebPage;
    m.items.At(page).extras.tab = TBrowserTab{L"C:\\Chrome\\chrome.exe", 2, 5};
    m.all.Add(group, L"Page A", page, kImageWebPage);
    return m;
}

// A reader that knows only the six described attributes, as any other
// program reading record files does: every element's attributes in order.
std::vector<std::vector<std::pair<std::wstring, std::wstring>>> PlainAttributes(const std::string& xml) {
    using Fn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
    static Fn create = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryW(L"xmllite.dll"), "CreateXmlReader")));
    std::vector<std::vector<std::pair<std::wstring, std::wstring>>> out;
    Microsoft::WRL::ComPtr<IStream> stream;
    stream.Attach(::SHCreateMemStream(reinterpret_cast<const BYTE*>(xml.data()), static_cast<UINT>(xml.size())));
    Microsoft::WRL::ComPtr<IXmlReader> r;
    if (!create || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(r.GetAddressOf()), nullptr)))
        return out;
    r->SetInput(stream.Get());
    XmlNodeType t;
    while (r->Read(&t) == S_OK) {
        const wchar_t* name = nullptr;
        UINT n = 0;
        if (t != XmlNodeType_Element || (r->GetLocalName(&name, &n), std::wstring(name, n)) != L"item") continue;
        out.emplace_back();
        for (HRESULT h = r->MoveToFirstAttribute(); h == S_OK; h = r->MoveToNextAttribute()) {
            const wchar_t* v = nullptr;
            UINT vn = 0;
            r->GetLocalName(&name, &n);
            r->GetValue(&v, &vn);
            out.back().emplace_back(std::wstring(name, n), std::wstring(v, vn));
        }
        r->MoveToElement();
    }
    return out;
}

TEST(ItemExtras, NewRecordKeepsTheDescribedAttributesFirstAndInOrder) {
    std::string xml = BuildTreeXml(ModelWithExtras(), L"C:\\QuilMar\\quilmar.exe");
    auto elements = PlainAttributes(xml);
    ASSERT_EQ(elements.size(), 3u);
    const std::vector<std::wstring> described = {L"text", L"path", L"imageIndex", L"stateIndex", L"docType", L"extand"};
    for (const auto& attributes : elements) {
        ASSERT_GE(attributes.size(), described.size());
        for (size_t i = 0; i < described.size(); ++i) EXPECT_EQ(attributes[i].first, described[i]);
    }
    EXPECT_EQ(elements[0].size(), 9u);  // the program: placement, monitor, work area
    EXPECT_EQ(elements[0][6], (std::pair<std::wstring, std::wstring>(L"placement", L"3 10 20 810 620")));
    EXPECT_EQ(elements[0][7].second, L"\\\\.\\DISPLAY2");
    EXPECT_EQ(elements[0][8].second, L"1280 0 2560 1000");
    EXPECT_EQ(elements[1].size(), 6u);  // the site's group carries nothing more
    EXPECT_EQ(elements[2].size(), 9u);  // the page: browser, window, tab
    EXPECT_EQ(elements[2][8], (std::pair<std::wstring, std::wstring>(L"tabIndex", L"5")));
}

TEST(ItemExtras, RoundTripAndOldRecordsLoadWithout) {
    TRecordModel back;
    ASSERT_EQ(ReadTreeXml(BuildTreeXml(ModelWithExtras(), L"x"), back), TTreeLoad::Loaded);
    ASSERT_EQ(back.items.Count(), 3);
    EXPECT_EQ(back.items.At(0).extras.place, SomePlace());
    EXPECT_FALSE(back.items.At(0).extras.tab);
    EXPECT_TRUE(back.items.At(1).extras.Empty());
    EXPECT_EQ(back.items.At(2).extras.tab, (TBrowserTab{L"C:\\Chrome\\chrome.exe", 2, 5}));

    // A record as the described program writes it: nothing extra on any item,
    // and the items are the same as before.
    const std::string old =
        "<quilmartree app=\"C:\\q.exe\"><item text=\"App\" path=\"C:\\Tools\\app.exe\" imageIndex=\"80\" "
        "stateIndex=\"-1\" docType=\"2\" extand=\"-1\"/></quilmartree>";
    TRecordModel plain;
    ASSERT_EQ(ReadTreeXml(old, plain), TTreeLoad::Loaded);
    ASSERT_EQ(plain.items.Count(), 1);
    EXPECT_TRUE(plain.items.At(0).extras.Empty());
    EXPECT_EQ(plain.items.At(0).path, L"C:\\Tools\\app.exe");
    // Written again, it is the same file: no attribute appears from nowhere.
    EXPECT_EQ(BuildTreeXml(plain, L"C:\\q.exe"), "\xEF\xBB\xBF" + old + "\r\n");
}

TEST(ItemExtras, DamagedExtraAttributesAreLeftOutAndTheItemStays) {
    struct Case {
        const char* attributes;
        bool place, tab;
    };
    const Case cases[] = {
        {"placement=\"3 10 20 810 620\" monitor=\"M\" workArea=\"0 0 100 100\"", true, false},
        {"placement=\"3 10 20 810 620\"", true, false},   // without monitor: the nearest one is taken
        {"placement=\"9 10 20 810 620\"", false, false},  // unknown state
        {"placement=\"1 10 20 10 620\"", false, false},   // no width
        {"placement=\"1 10 20 810\"", false, false},
        {"placement=\"1 a b c d\"", false, false},
        {"placement=\"1 0 0 99999999 10\"", false, false},
        {"browser=\"b.exe\" browserWindow=\"1\" tabIndex=\"0\"", false, true},
        {"browser=\"b.exe\" browserWindow=\"0\" tabIndex=\"0\"", false, false},
        {"browser=\"\" browserWindow=\"1\" tabIndex=\"0\"", false, false},
        {"browser=\"b.exe\" tabIndex=\"0\"", false, false},
        {"browser=\"b.exe\" browserWindow=\"1\" tabIndex=\"-2\"", false, false},
    };
    for (const Case& c : cases) {
        std::string xml = std::string(
                              "<quilmartree><item text=\"T\" path=\"p\" imageIndex=\"0\" stateIndex=\"-1\" "
                              "docType=\"2\" extand=\"-1\" ") +
                          c.attributes + "/></quilmartree>";
        TRecordModel m;
        ASSERT_EQ(ReadTreeXml(xml, m), TTreeLoad::Loaded) << c.attributes;
        ASSERT_EQ(m.items.Count(), 1);
        EXPECT_EQ(m.items.At(0).extras.place.has_value(), c.place) << c.attributes;
        EXPECT_EQ(m.items.At(0).extras.tab.has_value(), c.tab) << c.attributes;
    }
}

}  // namespace
}  // namespace qm
