// The installed-program table (Start-menu names of program paths) and the tree
// images: the 78 base images and the image chosen for a path.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

// A new image list holding the 78 base images (from the program's BASEIMAGES
// bitmap resource); nullptr when the resource is missing.
HIMAGELIST CreateBaseImageList();

// Appends the files of folder (ending in "\") and of its direct subfolders, the
// ".." entry included, skipping hidden and system entries; with a filter other
// than "" or ".*", only names that contain it (ignoring case). At most 5000 entries
// of each folder are looked at.
void ScanFolder(const std::wstring& folder, const std::wstring& filter, std::vector<std::wstring>& list);

class TInstalledPrograms {
public:
    // Fills the table from the Programs folders (the user's, then all users'), once.
    void Load();
    void LoadFrom(const std::vector<std::wstring>& programFolders);
    bool Loaded() const { return loaded_; }
    // The Start-menu name of a program path; empty when absent or not loaded.
    std::wstring Name(const std::wstring& path) const;
    size_t Count() const { return paths_.size(); }

private:
    bool loaded_ = false;
    std::vector<std::wstring> paths_;  // lower-cased, trimmed
    std::vector<std::wstring> names_;
};

// The image for a path: the photo viewer, web pages, known programs and
// extensions, folders, or the shell's icon (appended to the list). title names
// shell places ("Desktop", "Control Panel", ...).
// With shared icons, a file whose type draws one icon for all its files (a
// document type without an icon of each file's own) takes the image appended for
// an earlier file of its type instead of asking the shell again.
class TSharedIcons;
int RegisterIcon(const std::wstring& path, HIMAGELIST list, const std::wstring& title, TSharedIcons* shared = nullptr);

// The images appended to one image list for file types that draw one icon for
// all their files; emptied when the list is replaced.
class TSharedIcons {
public:
    // Whether every file of the type (a lower-cased extension with its dot) shows
    // the same icon: no program file, shortcut or icon file, and no per-file icon
    // in the type's registration ("%1" or an icon handler). Asked once per type.
    bool SharedByType(const std::wstring& ext);
    // The image kept for the type in list, or -1.
    int Find(const std::wstring& ext, HIMAGELIST list) const;
    void Keep(const std::wstring& ext, int image) { images_[ext] = image; }
    void Clear() { images_.clear(); }

private:
    std::unordered_map<std::wstring, int> images_;
    std::unordered_map<std::wstring, bool> shared_;
};

}  // namespace qm
