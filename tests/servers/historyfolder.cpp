// A history folder for the test prefix, whose own History folder is a plain
// file folder without the browser's namespace: day folders holding pages, each
// page with an info tip of its title and its address, as the browser's
// History folder has them. The tests list the folder's items in the servers'
// settings; they are read again at every listing.
#include <cstring>
#include <string>
#include <vector>

#include "servers/classes.h"
#include "servers/comobject.h"
#include "servers/serverconfig.h"
#include "servers/shellfolder_decl.h"

namespace qm::testserver {
namespace {

struct TSpecItem {
    std::wstring parent;  // "" for the top level, "Today" or "Today\\Site" below
    bool folder = false;
    std::wstring name;
    std::wstring url;
};

std::vector<std::wstring> Split(const std::wstring& line) {
    std::vector<std::wstring> parts;
    size_t at = 0;
    for (;;) {
        size_t tab = line.find(L'\t', at);
        parts.push_back(line.substr(at, tab == std::wstring::npos ? std::wstring::npos : tab - at));
        if (tab == std::wstring::npos) return parts;
        at = tab + 1;
    }
}

std::vector<TSpecItem> ReadSpec() {
    std::vector<TSpecItem> items;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return items;
    DWORD size = 0;
    if (::RegQueryValueExW(key, kHistoryFolderValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size) {
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        ::RegQueryValueExW(key, kHistoryFolderValue, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size);
        for (size_t at = 0; at < text.size() && text[at];) {
            std::wstring line(text.c_str() + at);
            at += line.size() + 1;
            std::vector<std::wstring> parts = Split(line);
            if (parts.size() < 3) continue;
            items.push_back({parts[0], parts[1] == L"F", parts[2], parts.size() > 3 ? parts[3] : L""});
        }
    }
    ::RegCloseKey(key);
    return items;
}

// An item's identifier: a marker, the folder flag and the item's name.
constexpr DWORD kMarker = 0x46484D51;  // "QMHF"

struct TDecoded {
    bool ok = false;
    bool folder = false;
    std::wstring name;
};

TItemId* Encode(const TSpecItem& item) {
    size_t bytes = sizeof(USHORT) + sizeof(DWORD) + sizeof(WORD) + (item.name.size() + 1) * sizeof(wchar_t);
    auto* id = static_cast<BYTE*>(::CoTaskMemAlloc(bytes + sizeof(USHORT)));
    if (!id) return nullptr;
    std::memset(id, 0, bytes + sizeof(USHORT));
    USHORT cb = static_cast<USHORT>(bytes);
    DWORD marker = kMarker;
    WORD folder = item.folder ? 1 : 0;
    std::memcpy(id, &cb, sizeof(cb));
    std::memcpy(id + 2, &marker, sizeof(marker));
    std::memcpy(id + 6, &folder, sizeof(folder));
    std::memcpy(id + 8, item.name.c_str(), (item.name.size() + 1) * sizeof(wchar_t));
    return reinterpret_cast<TItemId*>(id);
}

TDecoded Decode(const TItemId* id) {
    TDecoded d;
    if (!id || id->cb < 10) return d;
    const auto* bytes = reinterpret_cast<const BYTE*>(id);
    DWORD marker = 0;
    WORD folder = 0;
    std::memcpy(&marker, bytes + 2, sizeof(marker));
    std::memcpy(&folder, bytes + 6, sizeof(folder));
    if (marker != kMarker) return d;
    size_t chars = (id->cb - 8u) / sizeof(wchar_t);
    std::wstring name(chars, L'\0');
    std::memcpy(name.data(), bytes + 8, chars * sizeof(wchar_t));
    name.resize(wcsnlen(name.c_str(), name.size()));
    d = {true, folder != 0, name};
    return d;
}

std::wstring Join(const std::wstring& parent, const std::wstring& name) {
    return parent.empty() ? name : parent + L"\\" + name;
}

class TEnum : public TComObject<ITestEnumIdList> {
public:
    explicit TEnum(std::vector<TSpecItem> items) : items_(std::move(items)) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, TItemId** out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG n = 0;
        while (n < count && next_ < items_.size()) out[n++] = Encode(items_[next_++]);
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        next_ += count;
        return next_ <= items_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(ITestEnumIdList** copy) override { return Hand(new TEnum(items_), copy); }

private:
    bool Answers(REFIID iid) const override { return iid == kIidEnumIdList; }
    std::vector<TSpecItem> items_;
    size_t next_ = 0;
};

class TTip : public TComObject<ITestQueryInfo> {
public:
    explicit TTip(std::wstring tip) : tip_(std::move(tip)) {}
    HRESULT STDMETHODCALLTYPE GetInfoTip(DWORD, LPWSTR* tip) override {
        if (!tip) return E_POINTER;
        size_t bytes = (tip_.size() + 1) * sizeof(wchar_t);
        *tip = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
        if (!*tip) return E_OUTOFMEMORY;
        std::memcpy(*tip, tip_.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInfoFlags(DWORD* flags) override { return Give(flags, DWORD{0}); }

private:
    bool Answers(REFIID iid) const override { return iid == kIidQueryInfo; }
    std::wstring tip_;
};

class THistoryFolder : public TComObject<ITestShellFolder> {
public:
    explicit THistoryFolder(std::wstring path) : path_(std::move(path)) {}

    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, TItemId**, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, DWORD flags, ITestEnumIdList** out) override {
        std::vector<TSpecItem> mine;
        for (const TSpecItem& item : ReadSpec()) {
            if (item.parent != path_) continue;
            if (item.folder ? !(flags & kContentFolders) : !(flags & kContentNonFolders)) continue;
            mine.push_back(item);
        }
        return Hand(new TEnum(std::move(mine)), out);
    }
    HRESULT STDMETHODCALLTYPE BindToObject(const TItemId* item, IBindCtx*, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        TDecoded d = Decode(item);
        if (!d.ok || !d.folder) return E_INVALIDARG;
        return QueryNew(new THistoryFolder(Join(path_, d.name)), iid, out);
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(const TItemId*, IBindCtx*, REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, const TItemId* a, const TItemId* b) override {
        TDecoded x = Decode(a), y = Decode(b);
        if (!x.ok || !y.ok) return E_INVALIDARG;
        int order = ::CompareStringOrdinal(x.name.c_str(), -1, y.name.c_str(), -1, TRUE) - CSTR_EQUAL;
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(order)));
    }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, const TItemId** items, ULONG* attributes) override {
        if (!attributes || (count && !items)) return E_POINTER;
        ULONG common = kAttributeFolder | kAttributeHasSubfolder;
        for (UINT i = 0; i < count; ++i)
            if (!Decode(items[i]).folder) common = 0;
        *attributes &= common;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT count, const TItemId** items, REFIID iid, UINT*,
                                            void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (count != 1 || !items || iid != kIidQueryInfo) return E_NOINTERFACE;
        TDecoded d = Decode(items[0]);
        if (!d.ok) return E_INVALIDARG;
        for (const TSpecItem& item : ReadSpec())
            if (item.parent == path_ && item.name == d.name)
                return QueryNew(new TTip(item.name + L"\r\n" + item.url), iid, out);
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(const TItemId* item, DWORD, TStrRet* name) override {
        if (!name) return E_POINTER;
        TDecoded d = Decode(item);
        if (!d.ok) return E_INVALIDARG;
        size_t bytes = (d.name.size() + 1) * sizeof(wchar_t);
        name->type = kStrRetWide;
        name->oleStr = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
        if (!name->oleStr) return E_OUTOFMEMORY;
        std::memcpy(name->oleStr, d.name.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, const TItemId*, LPCWSTR, DWORD, TItemId** renamed) override {
        if (renamed) *renamed = nullptr;
        return E_NOTIMPL;
    }

private:
    bool Answers(REFIID iid) const override { return iid == kIidShellFolder; }
    std::wstring path_;
};

}  // namespace

HRESULT CreateHistoryFolder(REFIID iid, void** out) { return QueryNew(new THistoryFolder(L""), iid, out); }

}  // namespace qm::testserver
