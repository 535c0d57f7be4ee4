#include "base/registry.h"

#include <algorithm>
#include <initializer_list>

#include "base/strings.h"
#include "base/system.h"

namespace qm {

REGSAM ViewFlag(TRegView view) {
    switch (view) {
        case TRegView::Bits32: return KEY_WOW64_32KEY;
        case TRegView::Bits64: return KEY_WOW64_64KEY;
        default: return 0;
    }
}

TRegView Wide64View() { return Is64BitWindows() ? TRegView::Bits64 : TRegView::Native; }
TRegView Narrow32View() { return Is64BitWindows() ? TRegView::Bits32 : TRegView::Native; }

std::wstring RegistryPath(std::wstring_view path) {
    std::wstring out;
    for (wchar_t c : path) {
        if (c == L'\\' && (out.empty() || out.back() == L'\\')) continue;
        out.push_back(c);
    }
    while (!out.empty() && out.back() == L'\\') out.pop_back();
    return out;
}

std::wstring ParentKeyPath(std::wstring_view path) {
    std::wstring p = RegistryPath(path);
    size_t cut = p.rfind(L'\\');
    return cut == std::wstring::npos ? std::wstring() : p.substr(0, cut);
}

unique_hkey OpenKey(HKEY root, const std::wstring& path, TRegView view, REGSAM rights) {
    unique_hkey key;
    if (::RegOpenKeyExW(root, RegistryPath(path).c_str(), 0, rights | ViewFlag(view), key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

bool KeyExists(HKEY root, const std::wstring& path, TRegView view) {
    return static_cast<bool>(OpenKey(root, path, view, KEY_QUERY_VALUE));
}

unique_hkey CreateKeyPath(HKEY root, const std::wstring& path, TRegView view, std::vector<std::wstring>* created) {
    std::wstring full = RegistryPath(path);
    unique_hkey key;
    if (full.empty()) return key;
    std::wstring sofar;
    for (const std::wstring& part : SplitAt(full, L'\\')) {
        sofar = sofar.empty() ? part : sofar + L"\\" + part;
        DWORD disposition = 0;
        unique_hkey next;
        if (::RegCreateKeyExW(root, sofar.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(view), nullptr, next.put(),
                              &disposition) != ERROR_SUCCESS)
            return unique_hkey();
        if (disposition == REG_CREATED_NEW_KEY && created) created->push_back(sofar);
        key = std::move(next);
    }
    return key;
}

namespace {

// A value's data as wide characters, when its type is one of those given.
std::optional<std::wstring> QueryWide(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name,
                                      std::initializer_list<DWORD> types) {
    unique_hkey key = OpenKey(root, path, view, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        std::find(types.begin(), types.end(), type) == types.end() || size > 4 * 1024 * 1024)
        return std::nullopt;
    std::wstring data(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(got / sizeof(wchar_t));
    return data;
}

}  // namespace

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name) {
    std::optional<std::wstring> text = QueryWide(root, path, view, name, {REG_SZ, REG_EXPAND_SZ});
    if (text) {
        size_t end = text->find(L'\0');
        if (end != std::wstring::npos) text->resize(end);
    }
    return text;
}

bool WriteString(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name, const std::wstring& data,
                 std::vector<std::wstring>* created) {
    unique_hkey key = CreateKeyPath(root, path, view, created);
    if (!key) return false;
    return ::RegSetValueExW(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<std::vector<std::wstring>> ReadMultiString(HKEY root, const std::wstring& path, TRegView view,
                                                         const std::wstring& name) {
    std::optional<std::wstring> block = QueryWide(root, path, view, name, {REG_MULTI_SZ});
    if (!block) return std::nullopt;
    std::vector<std::wstring> strings;
    // Strings end at NUL; the block ends at an empty string (or at its end).
    for (size_t at = 0; at < block->size();) {
        size_t end = block->find(L'\0', at);
        if (end == std::wstring::npos) end = block->size();
        if (end == at) break;
        strings.push_back(block->substr(at, end - at));
        at = end + 1;
    }
    return strings;
}

bool WriteMultiString(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name,
                      const std::vector<std::wstring>& strings, std::vector<std::wstring>* created) {
    std::wstring block;
    for (const std::wstring& s : strings) {
        if (s.empty() || s.find(L'\0') != std::wstring::npos) return false;  // would end the list early
        block += s;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    unique_hkey key = CreateKeyPath(root, path, view, created);
    if (!key) return false;
    return ::RegSetValueExW(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(block.data()),
                            static_cast<DWORD>(block.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool HasValue(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name) {
    unique_hkey key = OpenKey(root, path, view, KEY_QUERY_VALUE);
    return key && ::RegQueryValueExW(key.get(), name.empty() ? nullptr : name.c_str(), nullptr, nullptr, nullptr,
                                     nullptr) == ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const std::wstring& path, TRegView view, const std::wstring& name) {
    unique_hkey key = OpenKey(root, path, view, KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!key) return !KeyExists(root, path, view);
    LONG result = ::RegDeleteValueW(key.get(), name.empty() ? nullptr : name.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path, TRegView view) {
    std::vector<std::wstring> names;
    unique_hkey key = OpenKey(root, path, view, KEY_ENUMERATE_SUB_KEYS);
    if (!key) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

namespace {

bool CountContent(HKEY root, const std::wstring& path, TRegView view, DWORD& subkeys, DWORD& values) {
    unique_hkey key = OpenKey(root, path, view, KEY_QUERY_VALUE);
    return key && ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                     nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool DeleteKeyItself(HKEY root, const std::wstring& path, TRegView view) {
    LONG result = ::RegDeleteKeyExW(root, RegistryPath(path).c_str(), ViewFlag(view), 0);
    return result == ERROR_SUCCESS || !KeyExists(root, path, view);
}

}  // namespace

bool KeyIsEmpty(HKEY root, const std::wstring& path, TRegView view) {
    DWORD subkeys = 0, values = 0;
    return CountContent(root, path, view, subkeys, values) && subkeys == 0 && values == 0;
}

bool DeleteKeyWithoutSubkeys(HKEY root, const std::wstring& path, TRegView view) {
    DWORD subkeys = 0, values = 0;
    if (!CountContent(root, path, view, subkeys, values)) return !KeyExists(root, path, view);
    return subkeys == 0 && DeleteKeyItself(root, path, view);
}

bool DeleteKeyIfEmpty(HKEY root, const std::wstring& path, TRegView view) {
    DWORD subkeys = 0, values = 0;
    if (!CountContent(root, path, view, subkeys, values)) return !KeyExists(root, path, view);
    return subkeys == 0 && values == 0 && DeleteKeyItself(root, path, view);
}

bool DeleteKeyTree(HKEY root, const std::wstring& path, TRegView view) {
    if (RegistryPath(path).empty()) return false;  // never a whole root
    for (const std::wstring& name : SubkeyNames(root, path, view))
        DeleteKeyTree(root, RegistryPath(path) + L"\\" + name, view);
    return DeleteKeyItself(root, path, view);
}

}  // namespace qm
