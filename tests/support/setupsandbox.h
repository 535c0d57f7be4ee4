// A sandbox for the install and removal steps: a temporary folder with the
// shell folders of a few users, a registry key standing in for
// HKEY_LOCAL_MACHINE, the resources this build gives the setup program, and
// the seams pointed at them.
#pragma once
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/files.h"
#include "companions/uninstall/uninstaller.h"
#include "setup/allusers.h"
#include "setup/installer.h"
#include "setup/setupnames.h"
#include "setup/shortcuts.h"
#include "support/regroot.h"
#include "support/sevenzipfixture.h"
#include "support/tempdir.h"

namespace qm::test {

class TSetupSandbox {
public:
    TSetupSandbox()
        : home_(dir_ / L"users\\me \u00E9"), other_(dir_ / L"users\\other"), noProfile_(dir_ / L"users\\empty") {
        for (const std::wstring& user : {home_, other_}) CreateFolderTree(user + L"\\SendTo");
        CreateFolderTree(noProfile_);
        CreateFolderTree(Desktop());
        CreateFolderTree(Programs());
        CreateFolderTree(SetupFolder());
        for (const auto& [key, path] : {std::pair{L"7z|DuVidu7z", BuildPath(QM_TEST_PAYLOAD)},
                                        std::pair{L"dll|7zdll", BuildPath(QM_TEST_LIBRARY)},
                                        std::pair{L"udl|QuilmarMenuDLL", BuildPath(QM_TEST_MENUDLL)}})
            resources_[key] = ReadFileBytes(path).value_or(std::string());
    }

    const TempDir& Dir() const { return dir_; }
    const TRegistryRoot& Root() const { return root_; }
    // A folder with a name the ANSI code page cannot spell.
    std::wstring InstallFolder() const { return dir_ / L"Programs \u00DCn\u4E2D\\QuilMar\\"; }
    std::wstring Desktop() const { return dir_ / L"Public Desktop"; }
    std::wstring Programs() const { return dir_ / L"Start Menu\\Programs"; }
    std::wstring SetupFolder() const { return dir_ / L"downloads"; }
    std::wstring Home() const { return home_; }
    std::wstring Other() const { return other_; }
    std::map<std::wstring, std::string>& Resources() { return resources_; }
    // Running copies the seams report, and how often they were ended.
    std::vector<std::wstring> running;
    int endCalls = 0;
    std::string osName = "windows";

    TAllUserControl::TSeams Users() const {
        TAllUserControl::TSeams s;
        const std::wstring home = home_, other = other_;
        s.accounts = [] { return std::vector<std::wstring>{L"me", L"other", L"Guest"}; };
        s.profileOf = [home, other](const std::wstring& account) -> std::optional<std::wstring> {
            if (account == L"me") return home;
            if (account == L"other") return other;
            return std::nullopt;
        };
        s.currentProfile = [home] { return home; };
        return s;
    }

    TInstallSeams InstallSeams() {
        TInstallSeams s;
        s.machineRoot = root_.Key();
        s.osName = Utf8ToWide(osName);
        s.resource = [this](const wchar_t* type, const wchar_t* name) -> std::optional<std::string_view> {
            auto it = resources_.find(std::wstring(type) + L"|" + name);
            if (it == resources_.end()) return std::nullopt;
            return std::string_view(it->second);
        };
        s.setupFolder = SetupFolder();
        s.commonFolder = [this](int location) -> std::wstring {
            if (location == kLocationCommonDesktop) return Desktop();
            if (location == kLocationCommonPrograms) return Programs();
            return {};
        };
        s.sendToFolder = [this] { return home_ + L"\\SendTo"; };
        s.quickLaunchFolder = [this] { return home_ + L"\\Quick Launch"; };
        s.users = [this] { return TAllUserControl(Users()); };
        s.runningCopies.find = [this](const std::wstring&) { return running; };
        s.runningCopies.end = [this](const std::wstring&) {
            ++endCalls;
            running.clear();
            return true;
        };
        s.windows64 = false;
        s.wait = [](DWORD) {};
        return s;
    }

    // The user data folders of the sandbox's user.
    std::wstring UserData() const { return dir_ / L"Documents\\QuilMar"; }
    std::wstring CommonData() const { return dir_ / L"Public Documents\\QuilMar"; }
    std::vector<std::wstring> recycled, scheduled;

    TUninstallSeams UninstallSeams() {
        TInstallSeams install = InstallSeams();
        TUninstallSeams s;
        s.machineRoot = install.machineRoot;
        s.installFolder = InstallFolder();
        s.selfPath = InstallFolder() + kUninstallerFile;
        s.osName = install.osName;
        s.windows64 = false;
        s.commonFolder = install.commonFolder;
        s.sendToFolder = install.sendToFolder;
        s.quickLaunchFolder = install.quickLaunchFolder;
        s.users = install.users;
        s.userDataFolder = [this] { return UserData(); };
        s.commonDataFolder = [this] { return CommonData(); };
        s.runningCopies = install.runningCopies;
        s.recycleFolder = [this](const std::wstring& folder) {
            recycled.push_back(folder);
            RemoveTree(folder);
            return true;
        };
        s.deleteAtRestart = [this](const std::wstring& path) {
            scheduled.push_back(path);
            return true;
        };
        s.wait = [](DWORD) {};
        return s;
    }

private:
    TempDir dir_;
    TRegistryRoot root_;
    std::wstring home_, other_, noProfile_;
    std::map<std::wstring, std::string> resources_;
};

// The window's side of the install step: counts, answers the question.
class TFakeInstallHost : public IInstallHost {
public:
    int advances = 0;
    int progress = 1;
    std::vector<std::vector<std::wstring>> asked;
    bool agree = true;
    std::wstring hint;
    bool optionsDisabled = false;
    void Advance() override { progress = std::min(progress + 1, 100), ++advances; }
    void SetProgress(int position) override { progress = position; }
    void Pump() override {}
    void SetHint(const std::wstring& text) override { hint = text; }
    void DisableOptions() override { optionsDisabled = true; }
    bool AskToEndRunning(const std::vector<std::wstring>& running) override {
        asked.push_back(running);
        return agree;
    }
};

}  // namespace qm::test
