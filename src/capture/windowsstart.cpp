#include "capture/windowsstart.h"

#include <shlobj.h>

#include <optional>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "base/system.h"
#include "capture/links.h"
#include "capture/pathutil.h"

namespace qm {

namespace {

constexpr size_t kMaxFolderEntries = 5000;

std::wstring ExpandEnvironment(const std::wstring& text) {
    DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (n == 0) return text;
    std::wstring expanded(n, L'\0');
    n = ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), n);
    if (n == 0) return text;
    expanded.resize(n - 1);
    return expanded;
}

// A program Windows would find under this name: an existing file, or one the
// search path holds (with ".exe" added when the name has no extension).
bool NamesProgram(const std::wstring& candidate) {
    if (candidate.empty() || HasInvalidNameChars(candidate)) return false;
    if (IsExistingFile(candidate) || IsExistingFile(candidate + L".exe")) return true;
    wchar_t found[MAX_PATH];
    DWORD n = ::SearchPathW(nullptr, candidate.c_str(), L".exe", MAX_PATH, found, nullptr);
    return n > 0 && n < MAX_PATH && IsExistingFile(found);
}

// The string data of a value: REG_SZ and REG_EXPAND_SZ only.
std::optional<std::wstring> ReadString(HKEY key, const std::wstring& name) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    data.resize(got / sizeof(wchar_t));
    // The stored data may or may not end with its terminator.
    data.resize(wcsnlen(data.c_str(), data.size()));
    return data;
}

// The value names of a key in registry order.
std::vector<std::wstring> ValueNames(HKEY key) {
    std::vector<std::wstring> names;
    DWORD count = 0, longest = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::wstring name(longest + 1, L'\0');
    for (DWORD i = 0; i < count && i < kMaxFolderEntries; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        LSTATUS status = ::RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {
            // A value added since the key was measured.
            name.assign(name.size() * 2 + 256, L'\0');
            length = static_cast<DWORD>(name.size());
            status = ::RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        }
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) names.emplace_back(name.c_str(), length);
    }
    return names;
}

// A bare program name ("helper.exe", "helper") as Windows finds it on the search path.
std::wstring SearchedProgram(const std::wstring& program) {
    if (program.find_first_of(L"\\/:") != std::wstring::npos) return program;
    wchar_t found[MAX_PATH];
    DWORD n = ::SearchPathW(nullptr, program.c_str(), L".exe", MAX_PATH, found, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(found) : program;
}

// Programs whose windows stand for many things: never a startup program.
bool IsSharedHost(const std::wstring& lowerPath) {
    std::wstring name = FileNameOf(lowerPath);
    return name == L"explorer.exe" || name == L"rundll32.exe" || name == L"dllhost.exe" || name == L"quilmar.exe" ||
           lowerPath == ToLower(ModulePath());
}

}  // namespace

std::wstring StartupProgramOf(const TStartEntry& entry) {
    std::wstring target;
    if (entry.FromRunKey()) {
        target = SearchedProgram(SplitStartCommand(entry.data).program);
    } else {
        target = entry.data;
        if (ToLower(ExtensionOf(target)) == L".lnk") target = ResolveLink(target);
    }
    if (IsWebAddress(target)) return {};
    std::wstring program = ToLower(Trim(NormaliseLocation(Trim(target))));
    if (ExtensionOf(program) != L".exe" || IsSharedHost(program)) return {};
    return program;
}

TStartCommand SplitStartCommand(const std::wstring& command) {
    std::wstring text = Trim(command);
    std::wstring lower = ToLower(text);
    if (StartsWith(lower, L"http:") || StartsWith(lower, L"https:")) return {text, {}};
    text = Trim(ExpandEnvironment(text));
    if (text.empty()) return {};
    if (text.front() == L'"') {
        size_t close = text.find(L'"', 1);
        if (close == std::wstring::npos) return {text.substr(1), {}};
        return {text.substr(1, close - 1), Trim(std::wstring_view(text).substr(close + 1))};
    }
    std::vector<size_t> blanks;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == L' ' || text[i] == L'\t') blanks.push_back(i);
    blanks.push_back(text.size());
    auto split = [&](size_t at) {
        return TStartCommand{text.substr(0, at), at < text.size() ? Trim(std::wstring_view(text).substr(at)) : L""};
    };
    for (size_t at : blanks)
        if (NamesProgram(text.substr(0, at))) return split(at);
    // Nothing on the disk: the first part that ends in an extension, as
    // "C:\Program Files\App\app.exe -min" names app.exe.
    for (size_t at : blanks)
        if (!ExtensionOf(text.substr(0, at)).empty() && text.substr(0, at).find(L',') == std::wstring::npos)
            return split(at);
    return split(blanks.front());
}

TWindowsStartMan::TWindowsStartMan(TStartPlaces places) : places_(std::move(places)) {}

HKEY TWindowsStartMan::Root(TStartScope scope) const {
    return scope == TStartScope::User ? places_.userRoot : places_.machineRoot;
}

REGSAM TWindowsStartMan::View(TStartScope scope) {
    // The 64-bit view is the one Windows starts programs from; the flag changes
    // nothing for a 64-bit program and is ignored by 32-bit Windows.
    return scope == TStartScope::Machine ? KEY_WOW64_64KEY : 0;
}

std::wstring TWindowsStartMan::StartupFolder(TStartScope scope) const {
    std::wstring folder = scope == TStartScope::User ? places_.userStartupFolder : places_.commonStartupFolder;
    if (folder.empty()) folder = SpecialFolder(scope == TStartScope::User ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP);
    if (Trim(folder).empty()) return {};
    return NormaliseFolderPath(folder);
}

std::vector<std::wstring> TWindowsStartMan::FolderFiles(const std::wstring& folder, const std::wstring& mask) {
    std::vector<std::wstring> files;
    if (folder.empty()) return files;
    std::wstring base = NormaliseFolderPath(folder);
    WIN32_FIND_DATAW data{};
    unique_hfind find(::FindFirstFileExW(LongPathForm(base + L"*").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0));
    if (!find) return files;
    bool anyName = mask.empty() || mask == L".*";
    size_t seen = 0;
    do {
        if (++seen > kMaxFolderEntries) break;
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) continue;
        if (!anyName && !ContainsNoCase(data.cFileName, mask)) continue;
        files.push_back(base + data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return files;
}

std::vector<TStartEntry> TWindowsStartMan::FolderEntries(TStartScope scope) const {
    std::vector<TStartEntry> entries;
    TStartSource source =
        scope == TStartScope::User ? TStartSource::UserStartupFolder : TStartSource::CommonStartupFolder;
    for (std::wstring& file : FolderFiles(StartupFolder(scope)))
        entries.push_back({source, FileNameOf(file), std::move(file)});
    return entries;
}

std::vector<TStartEntry> TWindowsStartMan::RunEntries(TStartScope scope) const {
    return RunEntries(scope, View(scope));
}

std::vector<TStartEntry> TWindowsStartMan::RunEntries(TStartScope scope, REGSAM view) const {
    std::vector<TStartEntry> entries;
    unique_hkey key;
    if (::RegOpenKeyExW(Root(scope), kStartRunKey, 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS)
        return entries;
    TStartSource source = scope == TStartScope::User ? TStartSource::UserRun : TStartSource::MachineRun;
    for (std::wstring& name : ValueNames(key.get())) {
        std::optional<std::wstring> data = ReadString(key.get(), name);
        if (data) entries.push_back({source, std::move(name), std::move(*data)});
    }
    return entries;
}

std::vector<TStartEntry> TWindowsStartMan::LoadEntries() const {
    std::vector<TStartEntry> all = FolderEntries(TStartScope::Machine);
    for (const std::vector<TStartEntry>& part :
         {FolderEntries(TStartScope::User), RunEntries(TStartScope::User), RunEntries(TStartScope::Machine)})
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<TStartEntry> TWindowsStartMan::FilterEntries() const {
    std::vector<TStartEntry> all = LoadEntries();
    // 32-bit programs registered for all users sit in the 32-bit view; on
    // 32-bit Windows both views are the one key, read twice to no harm.
    std::vector<TStartEntry> wow = RunEntries(TStartScope::Machine, KEY_WOW64_32KEY);
    all.insert(all.end(), wow.begin(), wow.end());
    return all;
}

void TWindowsStartMan::SetPlaces(TStartPlaces places) {
    places_ = std::move(places);
    programs_.reset();
}

bool TWindowsStartMan::IsStartupProgram(const std::wstring& path) {
    std::wstring target = ToLower(Trim(path));
    if (target.empty()) return false;
    if (!programs_) {
        std::vector<std::wstring> programs;
        for (const TStartEntry& entry : FilterEntries()) {
            std::wstring program = StartupProgramOf(entry);
            if (!program.empty()) programs.push_back(std::move(program));
        }
        programs_ = std::move(programs);
    }
    for (const std::wstring& program : *programs_)
        if (program == target) return true;
    return false;
}

bool TWindowsStartMan::HasRunValue(TStartScope scope, const std::wstring& name) const {
    unique_hkey key;
    if (::RegOpenKeyExW(Root(scope), kStartRunKey, 0, KEY_QUERY_VALUE | View(scope), key.put()) != ERROR_SUCCESS)
        return false;
    return ::RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LSTATUS TWindowsStartMan::SetRunValue(TStartScope scope, const std::wstring& name, const std::wstring& data) const {
    unique_hkey key;
    LSTATUS status = ::RegCreateKeyExW(Root(scope), kStartRunKey, 0, nullptr, 0, KEY_SET_VALUE | View(scope), nullptr,
                                       key.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

LSTATUS TWindowsStartMan::DeleteRunValue(TStartScope scope, const std::wstring& name) const {
    unique_hkey key;
    LSTATUS status = ::RegOpenKeyExW(Root(scope), kStartRunKey, 0, KEY_SET_VALUE | View(scope), key.put());
    if (status != ERROR_SUCCESS) return status;
    return ::RegDeleteValueW(key.get(), name.c_str());
}

}  // namespace qm
