#include "setup/productentries.h"

#include "base/files.h"
#include "base/strings.h"
#include "setup/installrecord.h"
#include "setup/setupnames.h"

namespace qm {

namespace {

// A version with one decimal, "%1.1f" with the separator given.
std::wstring VersionText(double version, wchar_t separator) {
    std::wstring text = Format(L"%1.1f", version);
    for (wchar_t& c : text)
        if (c == L'.' || c == L',') c = separator;
    return text;
}

}  // namespace

wchar_t UserDecimalSeparator() {
    wchar_t sep[8] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) > 1 ? sep[0] : L'.';
}

std::wstring UninstallDisplayVersion() { return VersionText(kSetupProductVersion, L'.'); }

std::wstring InstallerCaption(wchar_t decimalSeparator) {
    return std::wstring(kProductDisplayName) + L" " + VersionText(kInstallerVersion, decimalSeparator) + L" Installer";
}

std::wstring RunAtStartupCommand(const std::wstring& mainProgramPath) { return L"\"" + mainProgramPath + L"\" /run"; }

bool WriteProductKey(const TRegistryPlace& place, const std::wstring& mainProgramPath, TInstallRecord* record) {
    bool name = PutRecordedString(place, ProductKeyPath(), L"name", kProductDisplayName, record);
    bool app = PutRecordedString(place, ProductKeyPath(), L"app", mainProgramPath, record);
    return name && app;
}

bool WriteUninstallEntry(const TRegistryPlace& place, const std::wstring& installFolder, TInstallRecord* record) {
    const std::wstring uninstaller = JoinPath(installFolder, std::wstring(kUninstallerBaseName) + L".exe");
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"DisplayIcon", uninstaller},
        {L"DisplayName", kProductDisplayName},
        {L"DisplayVersion", UninstallDisplayVersion()},
        {L"InstallLocation", installFolder},
        {L"UninstallString", L"\"" + uninstaller + L"\""},
    };
    for (const auto& [name, data] : values)
        if (!PutRecordedString(place, UninstallKeyPath(), name, data, record)) return false;
    return true;
}

bool SetRunAtStartup(const TRegistryPlace& place, const std::wstring& valueName, const std::wstring& commandLine,
                     bool on, TInstallRecord* record) {
    if (on) return PutRecordedString(place, kRunKeyPath, valueName, commandLine, record);
    return DeleteValue(place.root, kRunKeyPath, place.view, valueName);
}

}  // namespace qm
