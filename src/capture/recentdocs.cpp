#include "capture/recentdocs.h"

#include <shlobj.h>

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/links.h"
#include "capture/pathutil.h"

namespace qm {

bool RecentAgeAccepted(bool recordRecent, int limitDays, double ageDays) {
    if (recordRecent && limitDays >= kRecentDocMaxDays) return true;
    double limit = recordRecent ? static_cast<double>(limitDays) : 0.1;
    return ageDays < limit;
}

std::wstring TRecentDocuments::UserRecentFolder() { return SpecialFolder(CSIDL_RECENT); }

std::optional<DWORD> TRecentDocuments::ScannedAttributes(const std::wstring& path) const {
    auto it = attributes_.find(path);
    if (it == attributes_.end()) return std::nullopt;
    return it->second;
}

void TRecentDocuments::Add(const std::wstring& path) {
    // Most adds in Smart Record find the path there already: ask the set first.
    if (!present_.insert(ToLower(path)).second) return;
    std::string key = NodeSortKey(path);
    // Paths mostly arrive in order: the end is the common place. Elsewhere a
    // path goes before those of an equal key.
    auto at = sorted_.empty() || std::prev(sorted_.end())->first < key ? sorted_.end() : sorted_.lower_bound(key);
    for (auto scan = at; scan != sorted_.end() && !(key < scan->first); ++scan)
        if (EqualsNoCase(scan->second, path)) return;
    if (at != sorted_.begin() && EqualsNoCase(std::prev(at)->second, path)) return;
    sorted_.emplace_hint(at, std::move(key), path);
    added_.push_back(path);
}

const std::vector<std::wstring>& TRecentDocuments::List() const {
    if (list_.size() != sorted_.size()) {
        list_.clear();
        list_.reserve(sorted_.size());
        for (const auto& [key, path] : sorted_) list_.push_back(path);
    }
    return list_;
}

namespace {

ULONGLONG Ticks(const FILETIME& ft) { return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

}  // namespace

namespace {

// File attributes of many targets: where several targets share a folder, one
// listing of that folder answers for all of them (one file-system call per
// folder instead of one per document); a name the listing does not hold (a
// short name, say) is asked for directly.
class TAttributeReader {
public:
    explicit TAttributeReader(const std::vector<std::wstring>& targets) {
        std::unordered_map<std::wstring, int> perFolder;
        for (const auto& t : targets) ++perFolder[ToLower(FolderOf(t))];
        for (const auto& [folder, count] : perFolder)
            if (count >= kListingThreshold && !folder.empty()) List(folder);
    }

    DWORD Of(const std::wstring& target) const {
        auto folder = listings_.find(ToLower(FolderOf(target)));
        if (folder != listings_.end()) {
            auto entry = folder->second.find(ToLower(FileNameOf(target)));
            if (entry != folder->second.end()) return entry->second;
        }
        return ::GetFileAttributesW(LongPathForm(target).c_str());
    }

private:
    static constexpr int kListingThreshold = 8;

    void List(const std::wstring& folder) {
        WIN32_FIND_DATAW fd;
        unique_hfind find(::FindFirstFileExW(LongPathForm(JoinPath(folder, L"*")).c_str(), FindExInfoBasic, &fd,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) return;
        auto& names = listings_[folder];
        do names.emplace(ToLower(fd.cFileName), fd.dwFileAttributes);
        while (::FindNextFileW(find.get(), &fd));
    }

    std::unordered_map<std::wstring, std::unordered_map<std::wstring, DWORD>> listings_;
};

}  // namespace

void TRecentDocuments::Scan(const std::wstring& recentFolder, const TRecordOptions& options, bool smart,
                            const TPumpFn& pump) {
    std::wstring folder = recentFolder;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    if (!smart) Clear();
    attributes_.clear();
    if (folder.size() < 2) return;
    FILETIME nowFt{};
    ::GetSystemTimeAsFileTime(&nowFt);
    const double now = static_cast<double>(Ticks(nowFt));
    constexpr double kTicksPerDay = 864000000000.0;

    // The targets of the shortcuts young enough, in directory order.
    std::vector<std::wstring> targets;
    {
        WIN32_FIND_DATAW fd;
        unique_hfind find(::FindFirstFileExW(LongPathForm(folder + L"*.*").c_str(), FindExInfoBasic, &fd,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) return;
        TLinkResolver resolver;
        int further = 0;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM))
                continue;
            // The directory entry already carries the last-write time.
            double age = (now - static_cast<double>(Ticks(fd.ftLastWriteTime))) / kTicksPerDay;
            if (!RecentAgeAccepted(options.recordRecentDocument, options.recRecentDoc, age)) continue;
            std::wstring target = ExpandFirstEnvironmentVariable(resolver.Resolve(folder + fd.cFileName));
            if (IsValidDrivePath(target)) targets.push_back(std::move(target));
            if (pump && further % 32 == 0) pump();
        } while (++further <= kWalkLimit && ::FindNextFileW(find.get(), &fd));
    }

    // Only existing folders and files are taken (asked with redirection off,
    // which must not last into the pump).
    std::optional<TAttributeReader> reader;
    {
        TRedirectionGuard guard;
        reader.emplace(targets);
    }
    for (const std::wstring& target : targets) {
        DWORD attributes;
        {
            TRedirectionGuard guard;
            attributes = reader->Of(target);
        }
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        attributes_[target] = attributes;
        Add(target);
        if (pump) pump();
    }
}

}  // namespace qm
