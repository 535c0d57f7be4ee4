#include "capture/browsersessions.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <map>

#include <lz4.h>
#include <nlohmann/json.hpp>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"

namespace qm {

namespace {

// More than any desktop has open; a file that claims more is damaged.
constexpr size_t kMaxTabs = 5000;
constexpr size_t kMaxMozLz4Size = 64u * 1024 * 1024;

bool IsWebPage(const std::wstring& url) {
    return StartsWithNoCase(url, L"http://") || StartsWithNoCase(url, L"https://");
}

// Little-endian reads over a byte range that never go past its end.
class TReader {
public:
    explicit TReader(std::string_view bytes) : bytes_(bytes) {}
    bool Int32(int32_t& v) {
        uint32_t u = 0;
        if (!UInt32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    bool UInt32(uint32_t& v) {
        if (bytes_.size() - pos_ < 4) return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes_[pos_ + static_cast<size_t>(i)]);
        pos_ += 4;
        return true;
    }
    bool UInt16(uint16_t& v) {
        if (bytes_.size() - pos_ < 2) return false;
        v = static_cast<uint16_t>(static_cast<unsigned char>(bytes_[pos_]) |
                                  (static_cast<unsigned char>(bytes_[pos_ + 1]) << 8));
        pos_ += 2;
        return true;
    }
    bool Bytes(size_t n, std::string_view& out) {
        if (bytes_.size() - pos_ < n) return false;
        out = bytes_.substr(pos_, n);
        pos_ += n;
        return true;
    }
    // A pickled field is padded to four bytes.
    bool Align() {
        size_t pad = (4 - pos_ % 4) % 4;
        if (bytes_.size() - pos_ < pad) return false;
        pos_ += pad;
        return true;
    }
    bool AtEnd() const { return pos_ == bytes_.size(); }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

// ---- Chromium ----

enum TSnssCommand : uint8_t {
    kSetTabWindow = 0,
    kSetTabIndexInWindow = 2,
    kTabNavigationPathPrunedFromBack = 5,
    kUpdateTabNavigation = 6,
    kSetSelectedNavigationIndex = 7,
    kSetWindowType = 9,
    kTabClosed = 16,
    kWindowClosed = 17,
};

struct TSnssTab {
    int32_t window = 0;
    int32_t index = -1;
    int32_t selected = -1;
    size_t order = 0;  // first seen
    bool closed = false;
    std::map<int32_t, TSessionTab> navigations;
};

struct TSnssWindow {
    size_t order = 0;
    int32_t type = 0;  // 0: an ordinary browser window
    bool closed = false;
};

struct TSnssState {
    std::map<int32_t, TSnssTab> tabs;
    std::map<int32_t, TSnssWindow> windows;
    size_t seen = 0;

    TSnssTab* Tab(int32_t id) {
        auto it = tabs.find(id);
        if (it != tabs.end()) return &it->second;
        if (tabs.size() >= kMaxTabs) return nullptr;
        TSnssTab& t = tabs[id];
        t.order = seen++;
        return &t;
    }
    TSnssWindow* Window(int32_t id) {
        auto it = windows.find(id);
        if (it != windows.end()) return &it->second;
        if (windows.size() >= kMaxTabs) return nullptr;
        TSnssWindow& w = windows[id];
        w.order = seen++;
        return &w;
    }
};

bool ReadPair(std::string_view payload, int32_t& a, int32_t& b) {
    TReader r(payload);
    return r.Int32(a) && r.Int32(b);
}

// The navigation pickle: its size, the tab, the navigation's index, the
// address (UTF-8) and the title (UTF-16), and more that is not needed.
bool ReadNavigation(std::string_view payload, TSnssState& state) {
    TReader r(payload);
    uint32_t size = 0;
    int32_t tab = 0, index = 0, urlLength = 0, titleLength = 0;
    std::string_view url, title;
    if (!r.UInt32(size) || size > payload.size() - 4 || !r.Int32(tab) || !r.Int32(index) || !r.Int32(urlLength) ||
        urlLength < 0 || !r.Bytes(static_cast<size_t>(urlLength), url) || !r.Align() || !r.Int32(titleLength) ||
        titleLength < 0 || static_cast<size_t>(titleLength) > payload.size() / 2 ||
        !r.Bytes(static_cast<size_t>(titleLength) * 2, title))
        return false;
    TSnssTab* t = state.Tab(tab);
    if (!t) return false;
    TSessionTab nav;
    nav.url = Utf8ToWide(url);
    nav.title.resize(static_cast<size_t>(titleLength));
    if (titleLength > 0) std::memcpy(nav.title.data(), title.data(), title.size());
    t->navigations[index] = std::move(nav);
    return true;
}

bool ApplySnssCommand(uint8_t id, std::string_view payload, TSnssState& state) {
    int32_t a = 0, b = 0;
    switch (id) {
        case kSetTabWindow: {
            if (!ReadPair(payload, a, b)) return false;
            TSnssWindow* w = state.Window(a);
            TSnssTab* t = state.Tab(b);
            if (!w || !t) return false;
            t->window = a;
            return true;
        }
        case kSetTabIndexInWindow:
        case kSetSelectedNavigationIndex:
        case kTabNavigationPathPrunedFromBack: {
            if (!ReadPair(payload, a, b)) return false;
            TSnssTab* t = state.Tab(a);
            if (!t) return false;
            if (id == kSetTabIndexInWindow) t->index = b;
            if (id == kSetSelectedNavigationIndex) t->selected = b;
            if (id == kTabNavigationPathPrunedFromBack)
                t->navigations.erase(t->navigations.lower_bound(b), t->navigations.end());
            return true;
        }
        case kUpdateTabNavigation: return ReadNavigation(payload, state);
        case kSetWindowType: {
            if (!ReadPair(payload, a, b)) return false;
            TSnssWindow* w = state.Window(a);
            if (!w) return false;
            w->type = b;
            return true;
        }
        case kTabClosed:
        case kWindowClosed: {
            TReader r(payload);
            if (!r.Int32(a)) return false;
            if (id == kTabClosed) {
                if (TSnssTab* t = state.Tab(a)) t->closed = true;
            } else if (TSnssWindow* w = state.Window(a)) {
                w->closed = true;
            }
            return true;
        }
        default: return true;  // commands that say nothing about open pages
    }
}

TSessionWindows CollectSnssWindows(const TSnssState& state) {
    std::vector<std::pair<size_t, int32_t>> windowOrder;
    for (const auto& [id, w] : state.windows)
        if (!w.closed && w.type == 0) windowOrder.emplace_back(w.order, id);
    std::sort(windowOrder.begin(), windowOrder.end());
    TSessionWindows out;
    for (const auto& [order, windowId] : windowOrder) {
        std::vector<const TSnssTab*> tabs;
        for (const auto& [id, t] : state.tabs)
            if (!t.closed && t.window == windowId && !t.navigations.empty()) tabs.push_back(&t);
        std::stable_sort(tabs.begin(), tabs.end(), [](const TSnssTab* x, const TSnssTab* y) {
            int32_t ix = x->index < 0 ? INT32_MAX : x->index, iy = y->index < 0 ? INT32_MAX : y->index;
            return ix != iy ? ix < iy : x->order < y->order;
        });
        std::vector<TSessionTab> pages;
        for (const TSnssTab* t : tabs) {
            auto nav = t->navigations.find(t->selected);
            const TSessionTab& page = nav != t->navigations.end() ? nav->second : t->navigations.rbegin()->second;
            if (!IsWebPage(page.url)) continue;
            pages.push_back({page.url, page.title.empty() ? page.url : page.title});
        }
        if (!pages.empty()) out.push_back(std::move(pages));
    }
    return out;
}

// ---- Firefox ----

std::wstring JsonText(const nlohmann::json& object, const char* name) {
    auto it = object.find(name);
    return it != object.end() && it->is_string() ? Utf8ToWide(it->get_ref<const std::string&>()) : std::wstring();
}

std::vector<TSessionTab> FirefoxWindowTabs(const nlohmann::json& window) {
    std::vector<TSessionTab> pages;
    auto tabs = window.find("tabs");
    if (tabs == window.end() || !tabs->is_array()) return pages;
    for (const nlohmann::json& tab : *tabs) {
        if (!tab.is_object()) continue;
        auto entries = tab.find("entries");
        if (entries == tab.end() || !entries->is_array() || entries->empty()) continue;
        // "index" counts the tab's history from 1; the last entry where it is missing.
        size_t at = entries->size();
        if (auto index = tab.find("index"); index != tab.end() && index->is_number_integer()) {
            auto i = index->get<long long>();
            if (i >= 1 && static_cast<size_t>(i) <= entries->size()) at = static_cast<size_t>(i);
        }
        const nlohmann::json& entry = (*entries)[at - 1];
        if (!entry.is_object()) continue;
        TSessionTab page{JsonText(entry, "url"), JsonText(entry, "title")};
        if (!IsWebPage(page.url)) continue;
        if (Trim(page.title).empty()) page.title = page.url;
        pages.push_back(std::move(page));
        if (pages.size() >= kMaxTabs) break;
    }
    return pages;
}

// ---- Finding the files ----

struct TFolderEntry {
    std::wstring name;
    bool folder = false;
    FILETIME written{};
};

std::vector<TFolderEntry> ListFolder(const std::wstring& folder) {
    std::vector<TFolderEntry> out;
    WIN32_FIND_DATAW data{};
    unique_hfind find(::FindFirstFileW(LongPathForm(JoinPath(folder, L"*")).c_str(), &data));
    if (!find) return out;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        out.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, data.ftLastWriteTime});
    } while (out.size() < 5000 && ::FindNextFileW(find.get(), &data));
    return out;
}

// The newest "Session_*" file of a Chromium profile, else its "Current Session".
std::wstring ChromiumSessionFile(const std::wstring& profile) {
    std::wstring best;
    FILETIME bestTime{};
    for (const TFolderEntry& e : ListFolder(JoinPath(profile, L"Sessions"))) {
        if (e.folder || !StartsWithNoCase(e.name, L"Session_")) continue;
        if (best.empty() || ::CompareFileTime(&e.written, &bestTime) > 0) {
            best = JoinPath(JoinPath(profile, L"Sessions"), e.name);
            bestTime = e.written;
        }
    }
    if (best.empty() && IsExistingFile(JoinPath(profile, L"Current Session")))
        best = JoinPath(profile, L"Current Session");
    return best;
}

struct TChromiumBrowser {
    const wchar_t* program;
    const wchar_t* folder;  // under the local application data folder, or the roaming one
    bool roaming;
    bool profileIsFolder;  // the folder is the profile itself (Opera)
};

const TChromiumBrowser kChromiumBrowsers[] = {
    {L"chrome.exe", L"Google\\Chrome\\User Data", false, false},
    {L"msedge.exe", L"Microsoft\\Edge\\User Data", false, false},
    {L"brave.exe", L"BraveSoftware\\Brave-Browser\\User Data", false, false},
    {L"vivaldi.exe", L"Vivaldi\\User Data", false, false},
    {L"opera.exe", L"Opera Software\\Opera Stable", true, true},
};

bool IsProfileName(const std::wstring& name) { return name == L"Default" || StartsWithNoCase(name, L"Profile "); }

}  // namespace

std::optional<TSessionWindows> ParseSnss(std::string_view bytes) {
    TReader r(bytes);
    std::string_view mark;
    int32_t version = 0;
    if (!r.Bytes(4, mark) || mark != "SNSS" || !r.Int32(version) || (version != 1 && version != 3)) return std::nullopt;
    TSnssState state;
    while (!r.AtEnd()) {
        uint16_t size = 0;
        std::string_view command;
        // A command cut short (the file ends inside it) or of no size is damage.
        if (!r.UInt16(size) || size == 0 || !r.Bytes(size, command)) return std::nullopt;
        if (!ApplySnssCommand(static_cast<uint8_t>(command[0]), command.substr(1), state)) return std::nullopt;
    }
    return CollectSnssWindows(state);
}

std::optional<std::string> DecodeMozLz4(std::string_view bytes) {
    static constexpr char kMark[8] = {'m', 'o', 'z', 'L', 'z', '4', '0', '\0'};
    TReader r(bytes);
    std::string_view mark;
    uint32_t size = 0;
    if (!r.Bytes(8, mark) || mark != std::string_view(kMark, 8) || !r.UInt32(size) || size > kMaxMozLz4Size)
        return std::nullopt;
    std::string_view block = bytes.substr(12);
    if (block.size() > static_cast<size_t>(INT32_MAX)) return std::nullopt;
    std::string out(size, '\0');
    int n = LZ4_decompress_safe(block.data(), out.data(), static_cast<int>(block.size()), static_cast<int>(size));
    if (n < 0 || static_cast<uint32_t>(n) != size) return std::nullopt;
    return out;
}

std::optional<TSessionWindows> ParseFirefoxSession(std::string_view json) {
    nlohmann::json doc = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) return std::nullopt;
    auto windows = doc.find("windows");
    if (windows == doc.end() || !windows->is_array()) return std::nullopt;
    TSessionWindows out;
    for (const nlohmann::json& window : *windows) {
        if (!window.is_object()) continue;
        // A private window's pages stay out, should a file ever hold one.
        if (auto p = window.find("isPrivate"); p != window.end() && p->is_boolean() && p->get<bool>()) continue;
        std::vector<TSessionTab> tabs = FirefoxWindowTabs(window);
        if (!tabs.empty()) out.push_back(std::move(tabs));
    }
    return out;
}

std::vector<TSessionSource> FindSessionSources(const std::wstring& localAppData, const std::wstring& roamingAppData,
                                               const std::function<std::wstring(const std::wstring&)>& browserOf) {
    std::vector<TSessionSource> out;
    for (const TChromiumBrowser& b : kChromiumBrowsers) {
        std::wstring base = JoinPath(b.roaming ? roamingAppData : localAppData, b.folder);
        if (!IsExistingFolder(base)) continue;
        std::wstring browser = browserOf ? browserOf(b.program) : std::wstring();
        std::vector<std::wstring> profiles;
        if (b.profileIsFolder) {
            profiles.push_back(base);
        } else {
            for (const TFolderEntry& e : ListFolder(base))
                if (e.folder && IsProfileName(e.name)) profiles.push_back(JoinPath(base, e.name));
            std::sort(profiles.begin(), profiles.end());
        }
        for (const std::wstring& profile : profiles)
            if (std::wstring file = ChromiumSessionFile(profile); !file.empty()) out.push_back({browser, file, false});
    }
    std::wstring firefoxProfiles = JoinPath(roamingAppData, L"Mozilla\\Firefox\\Profiles");
    if (IsExistingFolder(firefoxProfiles)) {
        std::wstring browser = browserOf ? browserOf(L"firefox.exe") : std::wstring();
        std::vector<std::wstring> files;
        for (const TFolderEntry& e : ListFolder(firefoxProfiles)) {
            std::wstring file = JoinPath(JoinPath(firefoxProfiles, e.name), L"sessionstore-backups\\recovery.jsonlz4");
            if (e.folder && IsExistingFile(file)) files.push_back(file);
        }
        std::sort(files.begin(), files.end());
        for (const std::wstring& file : files) out.push_back({browser, file, true});
    }
    return out;
}

std::wstring RegisteredProgram(const std::wstring& fileName) {
    const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + fileName;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        wchar_t buffer[MAX_PATH * 2] = {};
        DWORD size = sizeof(buffer) - sizeof(wchar_t);
        if (::RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) == ERROR_SUCCESS) {
            std::wstring path = Trim(buffer);
            if (path.size() > 1 && path.front() == L'"') path = path.substr(1, path.find(L'"', 1) - 1);
            if (IsExistingFile(path)) return path;
        }
    }
    return {};
}

std::optional<TSessionWindows> ReadSessionSource(const TSessionSource& source) {
    std::optional<std::string> bytes = ReadFileBytes(source.file);
    if (!bytes) return std::nullopt;
    if (!source.firefox) return ParseSnss(*bytes);
    std::optional<std::string> json = DecodeMozLz4(*bytes);
    return json ? ParseFirefoxSession(*json) : std::nullopt;
}

std::vector<TLocationPair> SessionPages(const std::vector<TSessionSource>& sources) {
    std::vector<TLocationPair> out;
    std::map<std::wstring, int> windowsOf;  // per browser, lower-cased
    for (const TSessionSource& source : sources) {
        std::optional<TSessionWindows> windows = ReadSessionSource(source);
        if (!windows) continue;
        for (const std::vector<TSessionTab>& tabs : *windows) {
            int window = ++windowsOf[ToLower(source.browser)];
            for (size_t i = 0; i < tabs.size() && out.size() < kMaxTabs; ++i) {
                TLocationPair pair{tabs[i].url, tabs[i].title};
                // Without an installed browser to open them in, the pages are
                // recorded as any other page.
                if (!source.browser.empty()) pair.tab = TBrowserTab{source.browser, window, static_cast<int>(i)};
                out.push_back(std::move(pair));
            }
        }
    }
    return out;
}

std::vector<TLocationPair> BrowserSessionPages() {
    return SessionPages(
        FindSessionSources(SpecialFolder(CSIDL_LOCAL_APPDATA), SpecialFolder(CSIDL_APPDATA), RegisteredProgram));
}

}  // namespace qm
