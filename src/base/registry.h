// Registry keys and string values in a chosen view (the process's own, the
// 32-bit or the 64-bit one), created level by level so a caller learns which
// keys it created, and removed again without touching what others keep there.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_any.h"

namespace qm {

enum class TRegView { Native, Bits32, Bits64 };

// A root key and a view: where a program's keys go (HKEY_LOCAL_MACHINE in the
// programs; a key of their own in the tests).
struct TRegistryPlace {
    HKEY root = HKEY_LOCAL_MACHINE;
    TRegView view = TRegView::Native;
};

// The access flag that selects the view (none for the process's own).
REGSAM ViewFlag(TRegView view);
// The 64-bit view on 64-bit Windows, the only one elsewhere; the 32-bit view
// under WOW64, the process's own otherwise.
TRegView Wide64View();
TRegView Narrow32View();

// A key path as the registry takes it: no leading or trailing "\" (a leading
// one would name no key below the root) and no doubled separators.
std::wstring RegistryPath(std::wstring_view path);

// The parent path ("a\b" for "a\b\c"), empty for a top-level key.
std::wstring ParentKeyPath(std::wstring_view path);

bool KeyExists(HKEY root, const std::wstring& path, TRegView view);
// Opens the key with the rights; an empty handle when it does not open.
unique_hkey OpenKey(HKEY root, const std::wstring& path, TRegView view, REGSAM rights);
// Opens the key, creating every missing level; the paths of the levels this
// call created, outermost first, are appended to created.
unique_hkey CreateKeyPath(HKEY root, const std::wstring& path, TRegView view, std::vector<std::wstring>* created);

// A text value (REG_SZ or REG_EXPAND_SZ, not expanded); nothing when the key
// or the value is missing or holds something else. name empty: the default value.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name);
// Creates the key where needed and writes a REG_SZ value.
bool WriteString(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name, const std::wstring& data,
                 std::vector<std::wstring>* created = nullptr);
// A REG_MULTI_SZ value as its strings; nothing when it is missing or of another type.
std::optional<std::vector<std::wstring>> ReadMultiString(HKEY root, const std::wstring& path, TRegView view,
                                                         const std::wstring& name);
bool WriteMultiString(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name,
                      const std::vector<std::wstring>& strings, std::vector<std::wstring>* created = nullptr);
// True when the value is gone afterwards (also when it never was there).
bool DeleteValue(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name);
bool HasValue(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name);

// The names of the key's subkeys (empty when it does not open).
std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path, TRegView view);
// The key has neither subkeys nor values.
bool KeyIsEmpty(HKEY root, const std::wstring& path, TRegView view);
// Deletes the key when it has no subkeys (its values go with it). True when
// the key is gone afterwards.
bool DeleteKeyWithoutSubkeys(HKEY root, const std::wstring& path, TRegView view);
// Deletes the key only when it has neither subkeys nor values.
bool DeleteKeyIfEmpty(HKEY root, const std::wstring& path, TRegView view);
// Deletes the key with everything below it. True when it is gone afterwards.
bool DeleteKeyTree(HKEY root, const std::wstring& path, TRegView view);

}  // namespace qm
