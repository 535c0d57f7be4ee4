#include "capture/recentdocs.h"

#include <shlobj.h>

#include <algorithm>

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
    auto less = [](const std::wstring& a, const std::wstring& b) { return CompareNodeText(a, b) < 0; };
    // Paths mostly arrive in order: the end is the common place.
    if (list_.empty() || less(list_.back(), path)) {
        if (list_.empty() || !EqualsNoCase(list_.back(), path)) list_.push_back(path);
        return;
    }
    auto it = std::lower_bound(list_.begin(), list_.end(), path, less);
    for (auto scan = it; scan != list_.end() && !less(path, *scan); ++scan)
        if (EqualsNoCase(*scan, path)) return;
    if (it != list_.begin() && EqualsNoCase(*std::prev(it), path)) return;
    list_.insert(it, path);
}

namespace {

ULONGLONG Ticks(const FILETIME& ft) { return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

}  // namespace

void TRecentDocuments::Scan(const std::wstring& recentFolder, const TRecordOptions& options, bool smart,
                            const TPumpFn& pump) {
    std::wstring folder = recentFolder;
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    if (!smart) list_.clear();
    attributes_.clear();
    if (folder.size() < 2) return;
    FILETIME nowFt{};
    ::GetSystemTimeAsFileTime(&nowFt);
    const double now = static_cast<double>(Ticks(nowFt));
    constexpr double kTicksPerDay = 864000000000.0;

    WIN32_FIND_DATAW fd;
    unique_hfind find(::FindFirstFileExW(LongPathForm(folder + L"*.*").c_str(), FindExInfoBasic, &fd,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return;
    TLinkResolver resolver;
    int further = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM)) continue;
        // The directory entry already carries the last-write time.
        double age = (now - static_cast<double>(Ticks(fd.ftLastWriteTime))) / kTicksPerDay;
        if (!RecentAgeAccepted(options.recordRecentDocument, options.recRecentDoc, age)) continue;
        std::wstring target = ExpandFirstEnvironmentVariable(resolver.Resolve(folder + fd.cFileName));
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        if (IsValidDrivePath(target)) {
            TRedirectionGuard guard;
            attributes = ::GetFileAttributesW(LongPathForm(target).c_str());
        }
        if (attributes != INVALID_FILE_ATTRIBUTES) {  // an existing folder or file
            attributes_[target] = attributes;
            Add(target);
            if (pump) pump();
        }
    } while (++further <= kWalkLimit && ::FindNextFileW(find.get(), &fd));
}

}  // namespace qm
