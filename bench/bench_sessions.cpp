// Reading browser session files of 500 tabs (a Chromium command log and a
// Firefox mozLz4 file) against the floor of that work: reading the same
// files and decompressing the Firefox one.
#include <lz4.h>

#include <cstdio>
#include <string>

#include "base/files.h"
#include "benchutil.h"
#include "capture/browsersessions.h"
#include "support/sessionwriters.h"
#include "support/tempdir.h"

using namespace qm;

int main() {
    constexpr int kTabs = 500;
    test::SnssWriter snss;
    std::vector<test::FirefoxWindow> windows(5);
    for (int i = 0; i < kTabs; ++i) {
        std::string url = "https://site" + std::to_string(i % 37) + ".example/page/" + std::to_string(i) +
                          "?q=" + std::to_string(i * 7);
        std::wstring title = L"Page number " + std::to_wstring(i) + L" of a long session";
        snss.TabWindow(1 + i % 5, 1000 + i).TabIndex(1000 + i, i / 5);
        snss.Navigation(1000 + i, 0, "https://start.example/", L"Start").Navigation(1000 + i, 1, url, title);
        snss.SelectedNavigation(1000 + i, 1);
        windows[static_cast<size_t>(i % 5)].tabs.emplace_back(url, WideToUtf8(title));
    }
    test::TempDir dir;
    std::wstring chromium = dir / L"Session_1", firefox = dir / L"recovery.jsonlz4";
    test::WriteBytes(chromium, snss.Bytes());
    test::WriteBytes(firefox, test::MozLz4(test::FirefoxSessionJson(windows)));
    std::vector<TSessionSource> sources = {{L"C:\\chrome.exe", chromium, false}, {L"C:\\firefox.exe", firefox, true}};

    size_t pages = 0;
    double read = bench::Best(15, [&] { pages = SessionPages(sources).size(); });
    size_t bytes = 0;
    double floor = bench::Best(15, [&] {
        auto a = ReadFileBytes(chromium);
        auto b = ReadFileBytes(firefox);
        if (std::optional<std::string> json = b ? DecodeMozLz4(*b) : std::nullopt)
            bytes = (a ? a->size() : 0) + json->size();
    });
    if (pages != 2 * kTabs) std::printf("  unexpected: %zu pages (%zu bytes)\n", pages, bytes);
    bench::Report("session_files_500_tabs", read, floor, 1.5);
    double chromiumOnly = bench::Best(15, [&] { SessionPages({sources[0]}); });
    double firefoxOnly = bench::Best(15, [&] { SessionPages({sources[1]}); });
    std::printf("  command log %.2f ms, mozLz4 JSON %.2f ms\n", chromiumOnly * 1000, firefoxOnly * 1000);
    return 0;
}
