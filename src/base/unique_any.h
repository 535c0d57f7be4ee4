// RAII owners for Win32 handles in the style of WIL's unique_any: one small
// template and one alias per kind of handle.
#pragma once
#include <windows.h>
#include <objidl.h>  // before commctrl.h: declares the image-list stream calls
#include <commctrl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shtypes.h>
#include <wininet.h>

#include <utility>

namespace qm {

template <class Traits>
class unique_any {
public:
    using pointer = typename Traits::pointer;

    unique_any() noexcept = default;
    explicit unique_any(pointer p) noexcept : p_(p) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& o) noexcept : p_(o.release()) {}
    unique_any& operator=(unique_any&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~unique_any() { reset(); }

    pointer get() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != Traits::invalid(); }
    pointer release() noexcept { return std::exchange(p_, Traits::invalid()); }
    void reset(pointer p = Traits::invalid()) noexcept {
        pointer old = std::exchange(p_, p);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // For out-parameters: frees the current value and hands out its address.
    pointer* put() noexcept {
        reset();
        return &p_;
    }

private:
    pointer p_ = Traits::invalid();
};

namespace detail {
template <class P, auto Close>
struct null_traits {
    using pointer = P;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer p) noexcept { Close(p); }
};
struct file_traits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer p) noexcept { ::CloseHandle(p); }
};
struct find_traits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer p) noexcept { ::FindClose(p); }
};
inline void unmap_view(void* p) noexcept { ::UnmapViewOfFile(p); }
inline void destroy_imagelist(HIMAGELIST h) noexcept { ::ImageList_Destroy(h); }
inline void local_free(HLOCAL h) noexcept { ::LocalFree(h); }
inline void delete_object(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void co_task_mem_free(void* p) noexcept { ::CoTaskMemFree(p); }
inline void pidl_free(PIDLIST_ABSOLUTE p) noexcept { ::CoTaskMemFree(p); }
inline void bstr_free(BSTR s) noexcept { ::SysFreeString(s); }
inline void unhook(HHOOK h) noexcept { ::UnhookWindowsHookEx(h); }
inline void global_free(HGLOBAL h) noexcept { ::GlobalFree(h); }
inline void destroy_window(HWND h) noexcept { ::DestroyWindow(h); }
inline void drag_finish(HDROP h) noexcept { ::DragFinish(h); }
inline void delete_dc(HDC h) noexcept { ::DeleteDC(h); }
}  // namespace detail

using unique_handle = unique_any<detail::null_traits<HANDLE, ::CloseHandle>>;
using unique_hfile = unique_any<detail::file_traits>;
using unique_hfind = unique_any<detail::find_traits>;
using unique_hkey = unique_any<detail::null_traits<HKEY, ::RegCloseKey>>;
using unique_hmodule = unique_any<detail::null_traits<HMODULE, ::FreeLibrary>>;
using unique_hicon = unique_any<detail::null_traits<HICON, ::DestroyIcon>>;
using unique_hmenu = unique_any<detail::null_traits<HMENU, ::DestroyMenu>>;
using unique_hfont = unique_any<detail::null_traits<HFONT, detail::delete_object>>;
using unique_hbitmap = unique_any<detail::null_traits<HBITMAP, detail::delete_object>>;
using unique_hbrush = unique_any<detail::null_traits<HBRUSH, detail::delete_object>>;
using unique_hdc = unique_any<detail::null_traits<HDC, ::DeleteDC>>;
using unique_mapview = unique_any<detail::null_traits<void*, detail::unmap_view>>;
using unique_himagelist = unique_any<detail::null_traits<HIMAGELIST, detail::destroy_imagelist>>;
using unique_hlocal = unique_any<detail::null_traits<HLOCAL, detail::local_free>>;
using unique_hglobal = unique_any<detail::null_traits<HGLOBAL, detail::global_free>>;
using unique_pidl = unique_any<detail::null_traits<PIDLIST_ABSOLUTE, detail::pidl_free>>;
using unique_child_pidl = unique_any<detail::null_traits<PITEMID_CHILD, detail::co_task_mem_free>>;
using unique_cotaskmem_string = unique_any<detail::null_traits<PWSTR, detail::co_task_mem_free>>;
using unique_bstr = unique_any<detail::null_traits<BSTR, detail::bstr_free>>;
using unique_hhook = unique_any<detail::null_traits<HHOOK, detail::unhook>>;
using unique_hwnd = unique_any<detail::null_traits<HWND, detail::destroy_window>>;
using unique_hdrop = unique_any<detail::null_traits<HDROP, detail::drag_finish>>;
using unique_hinternet = unique_any<detail::null_traits<HINTERNET, ::InternetCloseHandle>>;
using unique_hrgn = unique_any<detail::null_traits<HRGN, detail::delete_object>>;

// A window's device context, released to its window.
class unique_window_dc {
public:
    explicit unique_window_dc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~unique_window_dc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    unique_window_dc(const unique_window_dc&) = delete;
    unique_window_dc& operator=(const unique_window_dc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// An object selected into a device context; the previous one is put back.
class unique_select_object {
public:
    unique_select_object(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~unique_select_object() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    unique_select_object(const unique_select_object&) = delete;
    unique_select_object& operator=(const unique_select_object&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace qm
