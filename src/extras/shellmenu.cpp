#include "extras/shellmenu.h"

#include <shlwapi.h>

#include <algorithm>

#include "base/guarded.h"
#include "base/strings.h"
#include "ui/menuimage.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

constexpr size_t kMaxLevelEntries = 5000;
constexpr wchar_t kEmptyCaption[] = L" (Empty) ";

std::wstring DisplayNameOf(IShellFolder* folder, PCUITEMID_CHILD child, SHGDNF flags) {
    STRRET name{};
    if (FAILED(folder->GetDisplayNameOf(child, flags, &name))) return {};
    PWSTR text = nullptr;
    if (FAILED(::StrRetToStrW(&name, child, &text))) return {};
    unique_cotaskmem_string owned(text);
    return text ? std::wstring(text) : std::wstring();
}

}  // namespace

TShellRoot SpecialFolderRoot(int csidl) {
    TShellRoot root;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, root.absolute.put()))) return {};
    ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(&desktop))) return {};
    if (FAILED(desktop->BindToObject(root.absolute.get(), nullptr, IID_PPV_ARGS(&root.folder)))) return {};
    return root;
}

TShellRoot PathRoot(const std::wstring& path) {
    TShellRoot root;
    if (FAILED(::SHParseDisplayName(path.c_str(), nullptr, root.absolute.put(), 0, nullptr))) return {};
    ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(&desktop))) return {};
    if (FAILED(desktop->BindToObject(root.absolute.get(), nullptr, IID_PPV_ARGS(&root.folder)))) return {};
    return root;
}

std::wstring MenuEntryCaption(const std::wstring& displayName, size_t maxLength) {
    std::wstring name = displayName;
    if (maxLength && name.size() > maxLength) name = name.substr(0, maxLength) + L"...";
    return ReplaceAll(name, L"&", L"&&");
}

std::wstring AddressOfInfoTip(const std::wstring& tip) {
    size_t lineEnd = tip.find_first_of(L"\r\n");
    if (lineEnd == std::wstring::npos) return {};
    return Trim(std::wstring_view(tip).substr(lineEnd));
}

TShellMenu::TShellMenu(unsigned firstId, unsigned lastId, TRootFn root)
    : firstId_(firstId), lastId_(lastId), root_(std::move(root)), buildFirst_(firstId) {}

TShellMenu::~TShellMenu() = default;

void TShellMenu::SetRoot(TRootFn root) {
    root_ = std::move(root);
    if (built_ && menu_) Build();
}

void TShellMenu::Attach(HMENU menu) {
    Forget();
    menu_ = menu;
}

void TShellMenu::Forget() {
    // The next build starts after this one's identifiers, and at the start of
    // the range again once less than half of it is left.
    buildFirst_ += static_cast<unsigned>(entries_.size());
    if (buildFirst_ > lastId_ || lastId_ - buildFirst_ < (lastId_ - firstId_) / 2) buildFirst_ = firstId_;
    entries_.clear();
    built_ = false;
}

void TShellMenu::Empty(HMENU menu) {
    // A popup item takes its submenu with it.
    while (::GetMenuItemCount(menu) > 0) ::DeleteMenu(menu, 0, MF_BYPOSITION);
}

void TShellMenu::Build() {
    if (!menu_) return;
    Empty(menu_);
    Forget();
    built_ = true;
    // A failure leaves the entries made so far.
    Guarded(L"shell menu", [&] {
        TShellRoot root = root_ ? root_() : TShellRoot{};
        if (!root.folder) return;
        Fill(menu_, root.folder, root.absolute.get(), true);
    });
}

bool TShellMenu::OnInitMenuPopup(HMENU popup) {
    if (!popup) return false;
    if (popup == menu_) {
        if (!built_) Build();
        return true;
    }
    TEntry* entry = EntryOfSubmenu(popup);
    if (!entry) return false;
    if (entry->loaded) return true;
    entry->loaded = true;
    HMENU submenu = entry->submenu;
    Empty(submenu);
    Guarded(L"shell menu level", [&] {
        ComPtr<IShellFolder> folder;
        if (FAILED(entry->parent->BindToObject(entry->relative.get(), nullptr, IID_PPV_ARGS(&folder)))) return;
        // Fill may grow the list the entry lives in; the entry itself stays where it is.
        Fill(submenu, folder, entry->absolute.get(), false);
    });
    if (::GetMenuItemCount(submenu) == 0) ::AppendMenuW(submenu, MF_STRING | MF_GRAYED, 0, kEmptyCaption);
    return true;
}

TShellMenu::TEntry* TShellMenu::EntryOfSubmenu(HMENU popup) {
    for (auto& e : entries_)
        if (e->isFolder && e->submenu == popup) return e.get();
    return nullptr;
}

bool TShellMenu::OnCommand(unsigned id) {
    if (!OwnsCommand(id)) return false;
    if (id < buildFirst_) return true;  // an entry of a menu that is gone
    size_t index = id - buildFirst_;
    if (index >= entries_.size() || entries_[index]->isFolder) return true;
    std::wstring address;
    Guarded(L"shell menu entry", [&] { address = Trim(AddressOf(*entries_[index])); });
    // Nothing to open is not opened: the shell would only report an error.
    if (!address.empty() && open_) Guarded(L"shell menu open", [&] { open_(address); });
    Opened();
    return true;
}

void TShellMenu::Fill(HMENU menu, const ComPtr<IShellFolder>& folder, PCIDLIST_ABSOLUTE absolute, bool topLevel) {
    TLevelRules rules = Rules(topLevel);
    std::vector<std::unique_ptr<TEntry>> level;
    ComPtr<IEnumIDList> items;
    if (folder->EnumObjects(nullptr, EnumFlags(), &items) == S_OK && items) {
        PITEMID_CHILD child = nullptr;
        while (level.size() < kMaxLevelEntries && items->Next(1, &child, nullptr) == S_OK) {
            auto entry = std::make_unique<TEntry>();
            entry->relative.reset(child);
            entry->parent = folder;
            if (absolute) entry->absolute.reset(::ILCombine(absolute, child));
            SFGAOF attributes = SFGAO_FOLDER;
            PCUITEMID_CHILD children[] = {child};
            if (FAILED(folder->GetAttributesOf(1, children, &attributes))) attributes = 0;
            entry->isFolder = (attributes & SFGAO_FOLDER) != 0;
            entry->name = DisplayNameOf(folder.Get(), child, SHGDN_NORMAL);
            if (Skip(*entry)) continue;
            Prepare(*entry);
            level.push_back(std::move(entry));
        }
    }
    if (level.empty()) {
        if (rules.emptyMarker) ::AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, kEmptyCaption);
        return;
    }
    if (rules.sorted) {
        std::stable_sort(level.begin(), level.end(), [&](const auto& a, const auto& b) {
            HRESULT hr = folder->CompareIDs(0, a->relative.get(), b->relative.get());
            return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) < 0;
        });
    }
    for (auto& entry : level) {
        if (buildFirst_ + entries_.size() > lastId_) break;  // the range is used up
        Append(menu, std::move(entry));
    }
}

void TShellMenu::Append(HMENU menu, std::unique_ptr<TEntry> entry) {
    auto id = static_cast<unsigned>(buildFirst_ + entries_.size());
    std::wstring caption = MenuEntryCaption(entry->name, MaxCaption());
    if (entry->isFolder) {
        entry->submenu = ::CreatePopupMenu();
        // Filled when it first opens; until then it holds a blank placeholder.
        ::AppendMenuW(entry->submenu, MF_STRING | MF_GRAYED, 0, L"");
        ::AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(entry->submenu), caption.c_str());
    } else {
        ::AppendMenuW(menu, MF_STRING, id, caption.c_str());
    }
    if (entry->absolute) {
        SHFILEINFOW info{};
        auto images = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(entry->absolute.get()), 0,
                                                                    &info, sizeof(info),
                                                                    SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        entry->image.reset(images ? MenuImageFromImageList(images, info.iIcon) : nullptr);
        if (entry->image) {
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof(mii);
            mii.fMask = MIIM_BITMAP;
            mii.hbmpItem = entry->image.get();
            ::SetMenuItemInfoW(menu, static_cast<UINT>(::GetMenuItemCount(menu) - 1), TRUE, &mii);
        }
    }
    entries_.push_back(std::move(entry));
}

std::wstring TShellMenu::TypeNameOf(const TEntry& entry) {
    SHFILEINFOW info{};
    if (!entry.absolute || !::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(entry.absolute.get()), 0, &info, sizeof(info),
                                             SHGFI_PIDL | SHGFI_TYPENAME))
        return {};
    return info.szTypeName;
}

std::wstring TShellMenu::ParsingNameOf(const TEntry& entry) {
    return DisplayNameOf(entry.parent.Get(), entry.relative.get(), SHGDN_FORPARSING);
}

}  // namespace qm
