// The shell-folder interfaces the test history folder implements, declared here
// from their documented layout and identifiers, independently of the program's
// headers: a slot the program's side gets wrong fails a test.
#pragma once
#include <windows.h>
#include <ole2.h>

namespace qm::testserver {

// An item identifier list: items of cb bytes each (cb included), ended by a zero cb.
struct TItemId {
    USHORT cb;
    BYTE data[1];
};

// STRRET with its wide-string form.
struct TStrRet {
    UINT type;  // 0: STRRET_WSTR
    union {
        LPWSTR oleStr;
        UINT offset;
        char cStr[260];
    };
};

inline constexpr UINT kStrRetWide = 0;
inline constexpr DWORD kContentFolders = 0x20, kContentNonFolders = 0x40;
inline constexpr ULONG kAttributeFolder = 0x20000000, kAttributeHasSubfolder = 0x80000000;

inline constexpr IID kIidEnumIdList = {0x000214F2, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidShellFolder = {0x000214E6, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID kIidQueryInfo = {0x00021500, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct ITestEnumIdList : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, TItemId** items, ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(ITestEnumIdList** copy) = 0;
};

struct ITestShellFolder : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND owner, IBindCtx* context, LPWSTR name, ULONG* eaten,
                                                       TItemId** item, ULONG* attributes) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumObjects(HWND owner, DWORD flags, ITestEnumIdList** items) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindToObject(const TItemId* item, IBindCtx* context, REFIID iid, void** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindToStorage(const TItemId* item, IBindCtx* context, REFIID iid, void** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM column, const TItemId* a, const TItemId* b) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateViewObject(HWND owner, REFIID iid, void** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, const TItemId** items, ULONG* attributes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, const TItemId** items, REFIID iid,
                                                    UINT* reserved, void** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayNameOf(const TItemId* item, DWORD flags, TStrRet* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNameOf(HWND owner, const TItemId* item, LPCWSTR name, DWORD flags,
                                                TItemId** renamed) = 0;
};

struct ITestQueryInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInfoTip(DWORD flags, LPWSTR* tip) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInfoFlags(DWORD* flags) = 0;
};

}  // namespace qm::testserver
