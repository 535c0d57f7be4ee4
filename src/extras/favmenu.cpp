#include "extras/favmenu.h"

#include <intshcut.h>

#include "base/unique_any.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

std::wstring ClassDefault(const wchar_t* key, const wchar_t* fallback) {
    unique_hkey opened;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS) return fallback;
    wchar_t text[256] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t), type = 0;
    if (::RegQueryValueExW(opened.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return text;
}

// The time a shortcut may spend looking for a moved target, in milliseconds.
constexpr DWORD kResolveTimeoutMs = 1000;

}  // namespace

std::wstring ChannelTypeName() { return ClassDefault(L"ChannelShortcut", L"Channel Shortcut"); }
std::wstring InternetShortcutTypeName() { return ClassDefault(L"InternetShortcut", L"Internet Shortcut"); }

std::wstring InternetShortcutUrl(const std::wstring& file) {
    ComPtr<IUniformResourceLocatorW> shortcut;
    // MinGW declares no __uuidof for this interface: its identifier is named.
    if (FAILED(::CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorW,
                                  reinterpret_cast<void**>(shortcut.GetAddressOf()))))
        return {};
    ComPtr<IPersistFile> persist;
    if (FAILED(shortcut.As(&persist)) || FAILED(persist->Load(file.c_str(), STGM_READ))) return {};
    PWSTR url = nullptr;
    if (FAILED(shortcut->GetURL(&url)) || !url) return {};
    unique_cotaskmem_string owned(url);
    return url;
}

std::wstring ShortcutTargetQuietly(const std::wstring& file) {
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return {};
    ComPtr<IPersistFile> persist;
    if (FAILED(link.As(&persist)) || FAILED(persist->Load(file.c_str(), STGM_READ))) return {};
    // No window, and the shortcut stays as the user saved it.
    link->Resolve(nullptr, MAKELONG(SLR_NO_UI | SLR_NOUPDATE, kResolveTimeoutMs));
    wchar_t path[MAX_PATH] = {};
    if (link->GetPath(path, MAX_PATH, nullptr, SLGP_UNCPRIORITY) != S_OK) return {};
    return path;
}

TFavoritesMenu::TFavoritesMenu(unsigned firstId, unsigned lastId)
    : TShellMenu(firstId, lastId, [] { return SpecialFolderRoot(CSIDL_FAVORITES); }),
      channelType_(ChannelTypeName()),
      shortcutType_(InternetShortcutTypeName()) {}

bool TFavoritesMenu::Skip(const TEntry& entry) { return !channelType_.empty() && TypeNameOf(entry) == channelType_; }

std::wstring TFavoritesMenu::AddressOf(TEntry& entry) {
    std::wstring file = ParsingNameOf(entry);
    if (file.empty()) return {};
    if (!shortcutType_.empty() && TypeNameOf(entry) == shortcutType_) return InternetShortcutUrl(file);
    return ShortcutTargetQuietly(file);
}

}  // namespace qm
