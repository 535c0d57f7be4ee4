// Writers of browser session files for the tests: the Chromium command log
// ("SNSS") and Firefox's "mozLz40" file, compressed with the real LZ4 library.
#pragma once
#include <lz4.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/strings.h"

namespace qm::test {

class SnssWriter {
public:
    explicit SnssWriter(int32_t version = 3) {
        bytes_ = "SNSS";
        Int32(bytes_, version);
    }
    SnssWriter& TabWindow(int32_t window, int32_t tab) { return Pair(0, window, tab); }
    SnssWriter& TabIndex(int32_t tab, int32_t index) { return Pair(2, tab, index); }
    SnssWriter& SelectedNavigation(int32_t tab, int32_t index) { return Pair(7, tab, index); }
    SnssWriter& WindowType(int32_t window, int32_t type) { return Pair(9, window, type); }
    SnssWriter& TabClosed(int32_t tab) { return Closed(16, tab); }
    SnssWriter& WindowClosed(int32_t window) { return Closed(17, window); }
    // A navigation as the browser pickles it: size, tab, index, address,
    // title, and the fields that follow (here a referrer and a transition).
    SnssWriter& Navigation(int32_t tab, int32_t index, const std::string& url, const std::wstring& title) {
        std::string p;
        Int32(p, tab);
        Int32(p, index);
        Int32(p, static_cast<int32_t>(url.size()));
        p += url;
        Pad(p);
        Int32(p, static_cast<int32_t>(title.size()));
        for (wchar_t c : title) {
            p += static_cast<char>(c & 0xFF);
            p += static_cast<char>((c >> 8) & 0xFF);
        }
        Pad(p);
        Int32(p, 0);
        Int32(p, 1);
        std::string pickle;
        Int32(pickle, static_cast<int32_t>(p.size()));
        return Command(6, pickle + p);
    }
    SnssWriter& Command(uint8_t id, const std::string& payload) {
        uint16_t size = static_cast<uint16_t>(payload.size() + 1);
        bytes_ += static_cast<char>(size & 0xFF);
        bytes_ += static_cast<char>(size >> 8);
        bytes_ += static_cast<char>(id);
        bytes_ += payload;
        return *this;
    }
    const std::string& Bytes() const { return bytes_; }

    static void Int32(std::string& out, int32_t v) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    }

private:
    SnssWriter& Pair(uint8_t id, int32_t a, int32_t b) {
        std::string p;
        Int32(p, a);
        Int32(p, b);
        return Command(id, p);
    }
    SnssWriter& Closed(uint8_t id, int32_t who) {
        std::string p;
        Int32(p, who);
        Int32(p, 0);
        Int32(p, 0);  // the close time
        Int32(p, 0);
        return Command(id, p);
    }
    static void Pad(std::string& p) {
        while (p.size() % 4) p += '\0';
    }
    std::string bytes_;
};

// "mozLz40\0", the size of the JSON, then the JSON as one LZ4 block.
inline std::string MozLz4(const std::string& json) {
    std::string out("mozLz40\0", 8);
    SnssWriter::Int32(out, static_cast<int32_t>(json.size()));
    std::string block(static_cast<size_t>(LZ4_compressBound(static_cast<int>(json.size()))), '\0');
    int n =
        LZ4_compress_default(json.data(), block.data(), static_cast<int>(json.size()), static_cast<int>(block.size()));
    block.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out + block;
}

// A Firefox session: each window a list of (address, title) tabs, the last
// entry of each tab its current page.
struct FirefoxWindow {
    std::vector<std::pair<std::string, std::string>> tabs;
    bool isPrivate = false;
};
inline std::string FirefoxSessionJson(const std::vector<FirefoxWindow>& windows) {
    std::string json = "{\"version\":[\"sessionrestore\",1],\"windows\":[";
    for (size_t w = 0; w < windows.size(); ++w) {
        if (w) json += ',';
        json += "{\"tabs\":[";
        for (size_t t = 0; t < windows[w].tabs.size(); ++t) {
            if (t) json += ',';
            json += "{\"entries\":[{\"url\":\"about:blank\",\"title\":\"\"},{\"url\":\"" + windows[w].tabs[t].first +
                    "\",\"title\":\"" + windows[w].tabs[t].second + "\"}],\"index\":2}";
        }
        json += "],\"selected\":1";
        if (windows[w].isPrivate) json += ",\"isPrivate\":true";
        json += "}";
    }
    json += "],\"_closedWindows\":[{\"tabs\":[{\"entries\":[{\"url\":\"https://closed.example/\"}]}]}]}";
    return json;
}

}  // namespace qm::test
