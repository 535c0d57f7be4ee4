// A menu that mirrors a shell folder, one level at a time: a folder's submenu
// is filled from the shell namespace (IShellFolder) when it is about to open
// for the first time (WM_INITMENUPOPUP). Every entry the menu shows keeps its
// item identifiers for as long as the menu lives; its command identifier comes
// from a range the owner reserves for this menu alone, so a menu entry can
// never be taken for another command of the window, nor (once the menu was
// built again) for an entry of the new build. The favourites and history
// menus are two kinds of it.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/com.h"
#include "base/unique_any.h"

namespace qm {

// The folder a menu mirrors: the shell folder, and where it is in the shell
// namespace (for the entries' icons); a folder without a place has no icons.
struct TShellRoot {
    Microsoft::WRL::ComPtr<IShellFolder> folder;
    unique_pidl absolute;
};

// A special folder (CSIDL_FAVORITES, CSIDL_HISTORY); empty when it has none.
TShellRoot SpecialFolderRoot(int csidl);
// A file-system folder; empty when it cannot be bound.
TShellRoot PathRoot(const std::wstring& path);

// The caption of a menu entry: "&" shown as itself, and a name longer than
// maxLength (0: any length) cut to its first maxLength characters and "...".
std::wstring MenuEntryCaption(const std::wstring& displayName, size_t maxLength);

// The text after the first line break of an info tip, trimmed: the address a
// history entry's tip gives after the page's title.
std::wstring AddressOfInfoTip(const std::wstring& tip);

class TShellMenu {
public:
    using TOpenFn = std::function<void(const std::wstring& address)>;
    using TRootFn = std::function<TShellRoot()>;

    // The entries take the command identifiers firstId..lastId (and no more).
    TShellMenu(unsigned firstId, unsigned lastId, TRootFn root);
    virtual ~TShellMenu();
    TShellMenu(const TShellMenu&) = delete;
    TShellMenu& operator=(const TShellMenu&) = delete;

    // What opens a chosen entry's address (never called with an empty one).
    void SetOpen(TOpenFn open) { open_ = std::move(open); }
    // Where the menu's folder comes from (tests hand in folders of their own).
    void SetRoot(TRootFn root);

    // The submenu the entries go into. What was built before is forgotten
    // without touching the old menu, whose handle may be gone with the menu
    // bar it belonged to; the first level is built when it is next opened.
    void Attach(HMENU menu);
    HMENU Menu() const { return menu_; }
    bool Built() const { return built_; }
    size_t EntryCount() const { return entries_.size(); }

    // Frees every entry, empties the menu and fills its first level.
    void Build();
    // WM_INITMENUPOPUP: builds the first level, or fills a folder's submenu,
    // the first time it opens; true when the popup is this menu's.
    virtual bool OnInitMenuPopup(HMENU popup);
    // A chosen entry: its address is opened; true when the command is this menu's.
    bool OnCommand(unsigned id);
    bool OwnsCommand(unsigned id) const { return id >= firstId_ && id <= lastId_; }

protected:
    struct TEntry {
        Microsoft::WRL::ComPtr<IShellFolder> parent;
        unique_child_pidl relative;
        unique_pidl absolute;  // empty under a root without a place
        std::wstring name;     // the display name (SHGDN_NORMAL)
        bool isFolder = false;
        bool loaded = false;
        HMENU submenu = nullptr;  // a folder's, owned by the menu
        std::wstring hint;        // what an entry of the history menu opens
        unique_hbitmap image;
    };

    // How a level is built.
    struct TLevelRules {
        bool sorted = true;       // in the folder's own order (CompareIDs) rather than as enumerated
        bool emptyMarker = true;  // a disabled " (Empty) " where the folder has nothing
    };
    virtual SHCONTF EnumFlags() const = 0;
    virtual TLevelRules Rules(bool topLevel) const = 0;
    virtual size_t MaxCaption() const { return 0; }
    // True for an entry the menu leaves out.
    virtual bool Skip(const TEntry&) { return false; }
    // Called once the entry's identifiers and name are known, before it is shown.
    virtual void Prepare(TEntry&) {}
    // The address an entry opens; empty when it has none.
    virtual std::wstring AddressOf(TEntry& entry) = 0;
    // After an entry's address was handed on.
    virtual void Opened() {}

    // The file type name of an entry (SHGetFileInfo), empty when unknown.
    static std::wstring TypeNameOf(const TEntry& entry);
    // The entry's parsing name (its file path for file-system items).
    static std::wstring ParsingNameOf(const TEntry& entry);

private:
    void Forget();
    void Empty(HMENU menu);
    void Fill(HMENU menu, const Microsoft::WRL::ComPtr<IShellFolder>& folder, PCIDLIST_ABSOLUTE absolute,
              bool topLevel);
    void Append(HMENU menu, std::unique_ptr<TEntry> entry);
    TEntry* EntryOfSubmenu(HMENU popup);

    TComApartment apartment_;  // the shell objects the entries hold live in it
    unsigned firstId_, lastId_;
    TRootFn root_;
    TOpenFn open_;
    HMENU menu_ = nullptr;
    bool built_ = false;
    // The entries of the current build; an entry's identifier is buildFirst_
    // plus its index. A new build goes on after the identifiers of the last
    // one, so a command of a menu that is gone never names a new entry.
    std::vector<std::unique_ptr<TEntry>> entries_;
    unsigned buildFirst_;
};

}  // namespace qm
