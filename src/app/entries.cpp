#include "app/entries.h"

#include <windows.h>
#include <shellapi.h>

#include "base/strings.h"
#include "base/unique_any.h"
#include "records/model.h"
#include "records/recordstore.h"

namespace qm {

bool IsSkippedSwitch(const std::wstring& text) {
    return text == kSwitchRun || text == kSwitchInstall || text == kSwitchRunAsAdmin || text == kSwitchRunAdmin;
}

std::vector<std::wstring> SplitStarList(const std::wstring& text) {
    std::vector<std::wstring> out;
    size_t start = 0;
    int taken = 0;
    for (;;) {
        size_t star = text.find(L'*', start);
        if (star == std::wstring::npos || taken >= kWalkLimit) break;
        ++taken;
        std::wstring entry = Trim(std::wstring_view(text).substr(start, star - start));
        if (!entry.empty()) out.push_back(std::move(entry));
        start = star + 1;
    }
    return out;
}

std::wstring ReplaceBlankMarker(const std::wstring& text) { return ReplaceAll(text, L"?|?", L" "); }

TReplaySwitch TakeReplaySwitch(const std::vector<std::wstring>& args,
                               const std::function<bool(const std::wstring& recordFile)>& recordExists) {
    TReplaySwitch out;
    for (size_t i = 0; i < args.size(); ++i) {
        bool names = args[i] == kSwitchReplay && i + 1 < args.size() && IsValidRecordName(args[i + 1]) &&
                     recordExists(args[i + 1]);
        if (!names) {
            out.entries.push_back(args[i]);
            continue;
        }
        if (!out.record) out.record = args[i + 1];
        ++i;
    }
    return out;
}

TStartFlags ParseStartFlags(const std::vector<std::wstring>& args) {
    TStartFlags f;
    if (args.empty()) return f;
    std::wstring first = Trim(args.front());
    std::wstring last = Trim(args.back());
    f.startedAtWindowsStart = first == kSwitchRun || first == kSwitchRunAdmin;
    f.startedElevated = last == kSwitchRunAsAdmin;
    f.installRequested = last == kSwitchInstall;
    return f;
}

std::optional<std::wstring> ElevationRelaunchParameter(const std::vector<std::wstring>& args, bool alwaysRunAsAdmin) {
    if (!alwaysRunAsAdmin) return std::nullopt;
    if (!args.empty()) {
        std::wstring last = Trim(args.back());
        if (last == kSwitchRunAsAdmin || last == kSwitchContextMenu || last == kSwitchRunAdmin) return std::nullopt;
    }
    return args.empty() ? std::wstring() : args.front();
}

}  // namespace qm

#include "app/product.h"
#include "base/files.h"

namespace qm {

TShellCall ElevationRelaunchCall(const std::wstring& programFolder, const std::wstring& parameter) {
    return TShellCall{L"open", JoinPath(programFolder, kElevationLauncher), parameter, SW_SHOWNORMAL};
}

}  // namespace qm
