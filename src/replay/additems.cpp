#include "replay/additems.h"

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/links.h"
#include "capture/pathutil.h"
#include "replay/icons.h"

namespace qm {

namespace {

bool IsProgramFile(const std::wstring& target) {
    std::wstring name = ToLower(Trim(FileNameOf(target)));
    std::wstring ext = ExtensionOf(name);
    static const wchar_t* const kPrograms[] = {L".exe", L".msi", L".bat", L".cmd", L".cpl", L".msc"};
    bool program = false;
    for (const wchar_t* e : kPrograms) program |= ext == e;
    return program && name != L"quilmar.exe" && name != L"quilmarsetup.exe" && name != L"quilmaruninstall.exe";
}

void Step(const TRowListingHooks& hooks, const std::wstring& text) {
    if (hooks.step) hooks.step(text);
}

int IconOf(const TRowListingHooks& hooks, const std::wstring& path) { return hooks.iconOf ? hooks.iconOf(path) : -1; }

}  // namespace

std::vector<TAddItemRow> InstalledProgramRows(const std::vector<std::wstring>& programFolders,
                                              const TRowListingHooks& hooks) {
    std::vector<std::wstring> entries;
    for (const std::wstring& folder : programFolders) {
        if (folder.size() > 1) ScanFolder(NormaliseFolderPath(folder), L"", entries);
        Step(hooks, L"");
    }
    std::vector<TAddItemRow> rows;
    for (const std::wstring& entry : entries) {
        std::wstring target = NormaliseLocation(ResolveLink(entry));
        Step(hooks, target);
        if (!IsProgramFile(target)) continue;
        rows.push_back({DisplayName(entry), target, IconOf(hooks, target)});
    }
    return rows;
}

TRecentRows RecentRows(const std::wstring& recentFolder, const TRowListingHooks& hooks) {
    TRecentRows rows;
    if (recentFolder.empty()) return rows;
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW fd;
    unique_hfind find(::FindFirstFileW(LongPathForm(JoinPath(recentFolder, L"*")).c_str(), &fd));
    if (find) {
        int looked = 0;
        do {
            if (++looked > kWalkLimit) break;
            if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) continue;
            files.push_back(JoinPath(recentFolder, fd.cFileName));
        } while (::FindNextFileW(find.get(), &fd));
    }
    for (const std::wstring& file : files) {
        std::wstring target = NormaliseLocation(ResolveLink(file));
        if (Trim(target).empty()) continue;
        DWORD attributes = ::GetFileAttributesW(LongPathForm(target).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            continue;
        if (ToUpper(target).find(L"$RECYCLE.BIN") != std::wstring::npos) continue;
        Step(hooks, target);
        bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool link = ToLower(ExtensionOf(target)) == L".lnk";
        TAddItemRow row{DisplayName(target), target, folder && !link ? kImageFolder : IconOf(hooks, target)};
        (folder ? rows.folders : rows.documents).push_back(std::move(row));
    }
    return rows;
}

}  // namespace qm
