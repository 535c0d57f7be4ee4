// TAllUserControl: the local user accounts and their profile folders, for the
// shortcuts every user gets (Send To and Quick Launch). A folder of another
// user is the current user's folder with its profile-folder part replaced by
// that user's profile folder; a user without a profile folder gets none.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TInstallRecord;

// The folder of the same kind for an account whose profile folder is
// accountProfile: currentFolder's leading currentProfile part replaced by it.
// Nothing when the account has no profile folder, or when currentFolder does
// not lie in currentProfile (it is then the current user's alone).
std::optional<std::wstring> PerUserFolder(const std::wstring& currentFolder, const std::wstring& currentProfile,
                                          const std::optional<std::wstring>& accountProfile);

class TAllUserControl {
public:
    struct TSeams {
        // NetUserEnum on the computer of NetWkstaGetInfo, in Windows' order.
        std::function<std::vector<std::wstring>()> accounts;
        // The account's profile folder when it exists on this machine.
        std::function<std::optional<std::wstring>(const std::wstring& account)> profileOf;
        // The current user's profile folder.
        std::function<std::wstring()> currentProfile;

        static TSeams Real();
    };

    explicit TAllUserControl(TSeams seams = TSeams::Real());

    // "%username%" expanded.
    const std::wstring& CurrentUser() const { return currentUser_; }
    const std::vector<std::wstring>& Accounts() const { return accounts_; }

    // The folders of every account for a folder of the current user, the
    // current user's own first; each folder once.
    std::vector<std::wstring> FoldersForAllUsers(const std::wstring& currentFolder) const;

private:
    TSeams seams_;
    std::wstring currentUser_;
    std::vector<std::wstring> accounts_;
};

// The current user's Send To and Quick Launch folders.
std::wstring CurrentSendToFolder();
std::wstring CurrentQuickLaunchFolder();

// A shortcut linkName + ".lnk" to target in every user's folder of the kind
// of currentFolder (the current user's) that exists; each saved shortcut is
// noted in the record. Returns the folders whose shortcut could not be saved.
std::vector<std::wstring> AddShortcutForAllUsers(const TAllUserControl& users, const std::wstring& currentFolder,
                                                 const std::wstring& linkName, const std::wstring& target,
                                                 TInstallRecord* record);
// The same in every user's Send To and Quick Launch folder.
std::vector<std::wstring> AddSendToForAllUsers(const TAllUserControl& users, const std::wstring& linkName,
                                               const std::wstring& target, TInstallRecord* record);
std::vector<std::wstring> AddQuickLaunchForAllUsers(const TAllUserControl& users, const std::wstring& linkName,
                                                    const std::wstring& target, TInstallRecord* record);

}  // namespace qm
