// TFavoritesMenu: the "Favorites" submenu of the "&Internet Explorer" menu,
// mirroring the user's Favorites folder. Internet shortcuts open their address,
// shortcuts their target; channels are left out. Captions are cut to 14
// characters. Reading a shortcut never rewrites it and never shows anything.
#pragma once
#include "extras/shellmenu.h"

namespace qm {

class TFavoritesMenu : public TShellMenu {
public:
    static constexpr size_t kMaxCaption = 14;

    // Over the Favorites folder (CSIDL_FAVORITES) unless told otherwise.
    TFavoritesMenu(unsigned firstId, unsigned lastId);

private:
    SHCONTF EnumFlags() const override { return SHCONTF_FOLDERS | SHCONTF_NONFOLDERS; }
    TLevelRules Rules(bool) const override { return {}; }
    size_t MaxCaption() const override { return kMaxCaption; }
    bool Skip(const TEntry& entry) override;
    std::wstring AddressOf(TEntry& entry) override;

    std::wstring channelType_, shortcutType_;
};

// The type names the shell gives channels and internet shortcuts: the default
// values of HKEY_CLASSES_ROOT "ChannelShortcut" and "InternetShortcut", or the
// English names where those keys do not open.
std::wstring ChannelTypeName();
std::wstring InternetShortcutTypeName();

// The address of an internet shortcut file; empty when it has none.
std::wstring InternetShortcutUrl(const std::wstring& file);
// The target path of a shortcut file, resolved without any user interface and
// without writing the shortcut; empty for a file that is not a shortcut.
std::wstring ShortcutTargetQuietly(const std::wstring& file);

}  // namespace qm
