// Path tests and shell helpers that capture, replay and the dialogs share: valid
// drive paths, existence tests with the WOW64 redirection guard, display names,
// the grouping key of an item, and opening locations and files through the shell.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/pathtext.h"

namespace qm {

// False for drive A and for network paths; true for "X:..." on a drive whose type is known.
bool IsValidDrivePath(const std::wstring& path);
// Existence tests that only answer for valid drive paths, with redirection off.
bool FolderExists(const std::wstring& path);
bool FileExists(const std::wstring& path);

// While one lives on a thread, the two tests above answer each path from one
// look at the file system: a batch of adds asks about the same path several
// times, and under Wine a name that does not exist costs a listing of its whole
// folder. Nested ones share the outermost one's answers.
class TExistenceCache {
public:
    TExistenceCache();
    ~TExistenceCache();
    TExistenceCache(const TExistenceCache&) = delete;
    TExistenceCache& operator=(const TExistenceCache&) = delete;
    // A path the batch itself has just written or removed is looked at again.
    static void Forget(const std::wstring& path);
};

// Turns WOW64 file-system redirection off for its lifetime when the program runs
// under WOW64 (the functions are looked up at run time); nothing elsewhere.
class TRedirectionGuard {
public:
    TRedirectionGuard();
    ~TRedirectionGuard();
    TRedirectionGuard(const TRedirectionGuard&) = delete;
    TRedirectionGuard& operator=(const TRedirectionGuard&) = delete;

private:
    void* token_ = nullptr;
    bool active_ = false;
};

// The text shown for a path: the file name without extension, or for a folder
// path ending in "\" its last folder name ("C:\Users\me\" gives "me", "E:\" gives "E:").
std::wstring DisplayName(const std::wstring& path);

// The key by which items are grouped and by which a group node is opened.
// myDocuments is the documents folder (items inside it group under it).
std::wstring GroupKeyOf(const std::wstring& text, const std::wstring& myDocuments);

// The text names the Windows photo viewer (its rundll32 command or its title).
bool IsPhotoViewer(const std::wstring& text);

// The text holds one of ? * " > < |.
bool HasInvalidNameChars(const std::wstring& text);

// Opens a recorded folder, file or address (see the rules in the source).
void OpenLocation(const std::wstring& path, HWND owner = nullptr);
void Explore(const std::wstring& path, HWND owner = nullptr);
void OpenPath(const std::wstring& path, HWND owner = nullptr);
// Opens a file with its program; with no association the system's Open With
// dialog is offered (not for programs). Other failures are shown when asked.
bool Launch(const std::wstring& file, const std::wstring& parameters, bool reportErrors, HWND owner = nullptr);

}  // namespace qm
