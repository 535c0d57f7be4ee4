#include "replay/icons.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/links.h"
#include "capture/pathutil.h"
#include "records/model.h"

namespace qm {

namespace {

struct TKnown {
    const wchar_t* name;
    int image;
};

// First match wins, in this order.
// The tables are laid out in columns to be read.
// clang-format off
const TKnown kKnownNames[] = {
    {L"notepad.exe", 9},        {L"mspaint.exe", 55},          {L"firefox.exe", 13},       {L"safari.exe", 14},
    {L"bdslauncher.exe", 15},   {L"winrar.exe", 16},           {L"msnmsgr.exe", 17},       {L"chrome.exe", 18},
    {L"opera.exe", 19},         {L"quilmar.exe", 20},          {L"quilmarsetup.exe", 20},  {L"7zfm.exe", 21},
    {L"7zg.exe", 21},           {L"acrord32.exe", 22},         {L"calc.exe", 23},          {L"bckgzm.exe", 24},
    {L"bdeadmin.exe", 25},      {L"chess.exe", 26},            {L"chkrzm.exe", 27},        {L"cmd.exe", 28},
    {L"control.exe", 29},       {L"datapump.exe", 30},         {L"dbd32.exe", 31},         {L"dbexplor.exe", 32},
    {L"delphi32.exe", 33},      {L"displayswitch.exe", 34},    {L"dvdmaker.exe", 35},      {L"ehshell.exe", 36},
    {L"excel.exe", 37},         {L"explorer.exe", 38},         {L"freecell.exe", 39},      {L"hearts.exe", 40},
    {L"helppane.exe", 41},      {L"wmplayer.exe", 42},         {L"iscsicpl.exe", 44},      {L"mahjong.exe", 45},
    {L"mblctr.exe", 46},        {L"winword.exe", 47},          {L"regedit.exe", 51},       {L"moviemaker.exe", 52},
    {L"mobsync.exe", 53},       {L"msconfig.exe", 54},         {L"msoxmled.exe", 56},      {L"snippingtool.exe", 57},
    {L"soundrecorder.exe", 58}, {L"sidebar.exe", 59},          {L"wlstartup.exe", 60},     {L"wlmail.exe", 61},
    {L"windowslivewriter.exe", 62}, {L"wlxphotogallery.exe", 63}, {L"wscript.exe", 64},    {L"notepad++.exe", 66},
    {L"minesweeper.exe", 67},   {L"wordpad.exe", 68},          {L"ytd.exe", 69},           {L"rundll32.exe", 70},
    {L"stikynot.exe", 71},      {L"solitaire.exe", 72},        {L"spidersolitaire.exe", 73}, {L"hh.exe", 74},
    {L"icofx.exe", 75},
};

const TKnown kKnownExtensions[] = {
    {L".zip", 77}, {L".dll", 50}, {L".xls", 49}, {L".doc", 48}, {L".wav", 43}, {L".js", 65},
    {L".jpg", 8},  {L".jpeg", 8}, {L".gif", 8},  {L".txt", 9},  {L".bmp", 10}, {L".ini", 11},
};

const TKnown kShellPlaces[] = {
    {L"my computer", 2}, {L"computer", 2},       {L"desktop", 3},   {L"control panel", 4},
    {L"my network places", 5}, {L"network places", 5}, {L"my documents", 6}, {L"documents", 6},
};
// clang-format on

int Lookup(const TKnown* table, size_t n, const std::wstring& key) {
    for (size_t i = 0; i < n; ++i)
        if (key == table[i].name) return table[i].image;
    return -1;
}

int ShellIcon(const std::wstring& path, const std::wstring& name, HIMAGELIST list, TSharedIcons* shared) {
    bool exists = IsValidDrivePath(path) && PathExists(path);  // no redirection guard here
    if (!exists) return 12;
    int place = Lookup(kShellPlaces, std::size(kShellPlaces), ToLower(Trim(name)));
    if (place >= 0) return place;
    std::wstring ext = ExtensionOf(path);
    if (shared && !shared->SharedByType(ext)) shared = nullptr;
    if (int kept = shared ? shared->Find(ext, list) : -1; kept >= 0) return kept;
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON) || !info.hIcon) return 12;
    unique_hicon icon(info.hIcon);
    int index = ImageList_ReplaceIcon(list, -1, icon.get());
    if (index < 0) return 12;
    if (shared) shared->Keep(ext, index);
    return index;
}

// Whether a registration key (an extension or the class it names) gives each file its own icon.
bool DrawsOwnIcon(const std::wstring& key) {
    if (KeyExists(HKEY_CLASSES_ROOT, key + L"\\shellex\\IconHandler", TRegView::Native)) return true;
    std::optional<std::wstring> icon = ReadString(HKEY_CLASSES_ROOT, key + L"\\DefaultIcon", TRegView::Native, L"");
    return icon && icon->find(L"%1") != std::wstring::npos;
}

}  // namespace

HIMAGELIST CreateBaseImageList() {
    HINSTANCE exe = ::GetModuleHandleW(nullptr);
    unique_hbitmap strip(
        static_cast<HBITMAP>(::LoadImageW(exe, L"BASEIMAGES", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) return nullptr;
    HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kBaseImageCount, 32);
    if (list) ::ImageList_AddMasked(list, strip.get(), RGB(255, 0, 255));
    return list;
}

void ScanFolder(const std::wstring& folder, const std::wstring& filter, std::vector<std::wstring>& list) {
    bool filtered = !filter.empty() && filter != L".*";
    auto scan = [&](const std::wstring& dir, bool enterFolders, auto& self) -> void {
        WIN32_FIND_DATAW fd;
        unique_hfind find(::FindFirstFileW(LongPathForm(dir + L"*.*").c_str(), &fd));
        if (!find) return;
        int looked = 0;
        do {
            if (++looked > kWalkLimit) break;
            std::wstring name = fd.cFileName;
            if (name == L".") continue;
            if (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (enterFolders) self(dir + name + L"\\", false, self);
                continue;
            }
            if (filtered && !ContainsNoCase(name, filter)) continue;
            list.push_back(dir + name);
        } while (::FindNextFileW(find.get(), &fd));
    };
    scan(folder, true, scan);
}

void TInstalledPrograms::Load() {
    if (loaded_) return;
    LoadFrom({SpecialFolder(CSIDL_PROGRAMS) + L"\\", SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\"});
}

void TInstalledPrograms::LoadFrom(const std::vector<std::wstring>& programFolders) {
    paths_.clear();
    names_.clear();
    std::vector<std::wstring> entries;
    for (const auto& folder : programFolders)
        if (folder.size() > 1) ScanFolder(folder, L"", entries);
    TLinkResolver resolver;
    for (const auto& entry : entries) {
        std::wstring target = ToLower(Trim(NormaliseLocation(resolver.Resolve(entry))));
        std::wstring ext = ExtensionOf(target);
        if (ext != L".exe" && ext != L".msi" && ext != L".bat") continue;
        paths_.push_back(target);
        names_.push_back(DisplayName(entry));
    }
    loaded_ = true;
}

std::wstring TInstalledPrograms::Name(const std::wstring& path) const {
    if (!loaded_) return {};
    std::wstring key = ToLower(Trim(path));
    for (size_t i = 0; i < paths_.size(); ++i)
        if (paths_[i] == key) return names_[i];
    return {};
}

int RegisterIcon(const std::wstring& path, HIMAGELIST list, const std::wstring& title, TSharedIcons* shared) {
    std::wstring p = ToLower(Trim(ReplaceAll(path, L"%20", L" ")));
    std::wstring ext = ExtensionOf(p);
    std::wstring name = FileNameOf(p);
    if (IsPhotoViewer(p)) return 7;
    if (p.find(L"http:") != std::wstring::npos || p.find(L"https:") != std::wstring::npos) return 1;
    if (name == L"iexplore.exe" || ext == L".html" || ext == L".htm") return 1;
    int known = Lookup(kKnownNames, std::size(kKnownNames), name);
    if (known >= 0) return known;
    known = Lookup(kKnownExtensions, std::size(kKnownExtensions), ext);
    if (known >= 0) return known;
    if (FolderExists(p)) return 0;
    return ShellIcon(p, ext == L".lnk" ? p : title, list, shared);
}

bool TSharedIcons::SharedByType(const std::wstring& ext) {
    auto known = shared_.find(ext);
    if (known != shared_.end()) return known->second;
    // Files that carry or point at their own icon.
    static const wchar_t* const kOwnIcons[] = {L".exe", L".lnk", L".ico", L".cur", L".ani", L".url",
                                               L".pif", L".scr", L".dll", L".cpl", L".msc", L".appref-ms"};
    bool shared =
        ext.size() > 1 &&
        std::none_of(std::begin(kOwnIcons), std::end(kOwnIcons), [&](const wchar_t* e) { return ext == e; }) &&
        !DrawsOwnIcon(ext);
    if (std::optional<std::wstring> type = ReadString(HKEY_CLASSES_ROOT, ext, TRegView::Native, L"");
        shared && type && !Trim(*type).empty())
        shared = !DrawsOwnIcon(Trim(*type));
    shared_.emplace(ext, shared);
    return shared;
}

int TSharedIcons::Find(const std::wstring& ext, HIMAGELIST list) const {
    auto it = images_.find(ext);
    // An image removed from the list since is not handed out.
    return it != images_.end() && it->second < ImageList_GetImageCount(list) ? it->second : -1;
}

}  // namespace qm
