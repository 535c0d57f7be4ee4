#include "capture/privacy.h"

#include <gtest/gtest.h>

#include "capture/recorder.h"
#include "support/fakecapture.h"
#include "support/tempdir.h"

namespace qm {
namespace {

TEST(Privacy, SecretsLeaveAddresses) {
    struct Row {
        const wchar_t* in;
        const wchar_t* out;
    };
    const Row rows[] = {
        {L"https://u:p@host/a?token=x&q=1", L"https://host/a?q=1"},
        {L"http://user@host:8080/p", L"http://host:8080/p"},
        {L"https://a@b@host/", L"https://host/"},  // the last "@" ends the user part
        {L"https://host/?code=1&state=2", L"https://host/"},
        {L"https://host/a?q=1&Access_Token=x&ID_TOKEN=y", L"https://host/a?q=1"},
        {L"https://host/a?session=1&sid=2&sig=3&signature=4&key=5&apikey=6&password=7&auth=8&page=2",
         L"https://host/a?page=2"},
        {L"https://host/a?%74oken=x&q=1", L"https://host/a?q=1"},  // an escaped name is the same name
        {L"https://host/a?token", L"https://host/a"},              // a name without a value
        {L"https://host/a?q=1&&token=2&", L"https://host/a?q=1"},  // empty pieces go
        {L"https://host/a?tokens=1&keyword=2&q=a%26token%3D1", L"https://host/a?tokens=1&keyword=2&q=a%26token%3D1"},
        {L"https://host/p@x?q=1", L"https://host/p@x?q=1"},  // "@" in the path is no user name
        {L"https://host/cb#access_token=x&token_type=bearer", L"https://host/cb#token_type=bearer"},
        {L"https://host/cb#id_token=x", L"https://host/cb"},
        {L"https://host/doc#section-2", L"https://host/doc#section-2"},  // an anchor stays
        {L"HTTPS://U:P@Host/A?Q=1", L"HTTPS://Host/A?Q=1"},
        {L"https://host", L"https://host"},
        {L"ftp://u:p@host/a?token=1", L"ftp://u:p@host/a?token=1"},  // no web address: as it is
        {L"C:\\folder\\a?token=1", L"C:\\folder\\a?token=1"},
        {L"", L""},
    };
    for (const Row& r : rows) EXPECT_EQ(WithoutSecrets(r.in), r.out) << r.in;
}

TEST(Privacy, PrivateWindowsAreToldByTheBrowsersPartOfTheTitle) {
    struct Row {
        const wchar_t* title;
        bool isPrivate;
    };
    const Row rows[] = {
        {L"Bank - Google Chrome (Incognito)", true},
        {L"Mail and 2 more pages - [InPrivate] - Microsoft\u200B Edge", true},
        {L"Shop \u2014 Mozilla Firefox Private Browsing", true},
        {L"Shop \u2014 Private Browsing", true},
        {L"Page - Brave (Private)", true},
        {L"Page - Opera Private Window", true},
        {L"Incognito mode explained - Google Chrome", false},
        {L"How InPrivate works - Search - Microsoft Edge", false},
        {L"Private Browsing", false},
        {L"News - Google Chrome", false},
        {L"", false},
    };
    for (const Row& r : rows) EXPECT_EQ(IsPrivateWindowTitle(r.title), r.isPrivate) << r.title;
}

// The record operation keeps secrets out of every captured address while the
// option is on, and records addresses whole when it is off.
class PrivateRecording : public ::testing::Test {
protected:
    PrivateRecording() : recorder(model, options, images, L"C:\\no-documents-here") {
        options.webpage = true;
        options.filterPCStart = false;
        recorder.SetHost(&host, &host);
        recorder.SetSources(&apps, &locations, recent.Path(), links / L"links");
        recorder.classify = [](std::wstring&, std::wstring&) { return 0; };
        locations.locations = {{L"https://u:p@shell.example/a?token=x&q=1", L"Shell page"}};
        locations.pages = {{L"https://browser.example/cb?code=9&state=1&lang=en",
                            L"https://browser.example/cb?code=9&state=1&lang=en"}};
    }
    std::vector<std::wstring> Paths() {
        std::vector<std::wstring> out;
        model.all.ForEachNode([&](const TTreeNode* n) { out.push_back(model.items.At(n->Index()).path); });
        return out;
    }
    std::vector<std::wstring> Texts() {
        std::vector<std::wstring> out;
        model.all.ForEachNode([&](const TTreeNode* n) { out.push_back(n->Text()); });
        return out;
    }

    test::TempDir recent, links;
    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    test::FakeApps apps;
    test::FakeLocations locations;
    test::FakeRecordHost host;
    TRecorder recorder;
};

TEST_F(PrivateRecording, OptionDecidesWhetherSecretsAreRecorded) {
    ASSERT_TRUE(options.keepAddressesPrivate);  // on by default
    recorder.Record({});
    std::vector<std::wstring> paths = Paths();
    EXPECT_NE(std::find(paths.begin(), paths.end(), L"https://shell.example/a?q=1"), paths.end());
    EXPECT_NE(std::find(paths.begin(), paths.end(), L"https://browser.example/cb?lang=en"), paths.end());
    for (const std::wstring& p : paths) {
        EXPECT_EQ(p.find(L"token"), std::wstring::npos) << p;
        EXPECT_EQ(p.find(L"code="), std::wstring::npos) << p;
        EXPECT_EQ(p.find(L"u:p@"), std::wstring::npos) << p;
    }
    // A page named by its address is named by the clean address.
    for (const std::wstring& t : Texts()) EXPECT_EQ(t.find(L"code="), std::wstring::npos) << t;

    options.keepAddressesPrivate = false;
    recorder.Record({});
    paths = Paths();
    EXPECT_NE(std::find(paths.begin(), paths.end(), L"https://u:p@shell.example/a?token=x&q=1"), paths.end());
    EXPECT_NE(std::find(paths.begin(), paths.end(), L"https://browser.example/cb?code=9&state=1&lang=en"), paths.end());
}

TEST_F(PrivateRecording, SmartRecordFindsNothingNewInACleanedPage) {
    recorder.Record({});
    host.saves.clear();
    locations.pages.clear();  // only the shell window's page stays
    recorder.Record({false, true, false});
    EXPECT_TRUE(host.saves.empty());
}

}  // namespace
}  // namespace qm
