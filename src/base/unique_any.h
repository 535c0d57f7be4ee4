// RAII owners for Win32 handles in the style of WIL's unique_any: one small
// template and one alias per kind of handle.
#pragma once
#include <windows.h>
#include <objidl.h>  // before commctrl.h: declares the image-list stream calls
#include <commctrl.h>
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
using unique_mapview = unique_any<detail::null_traits<void*, detail::unmap_view>>;
using unique_himagelist = unique_any<detail::null_traits<HIMAGELIST, detail::destroy_imagelist>>;
using unique_hlocal = unique_any<detail::null_traits<HLOCAL, detail::local_free>>;

}  // namespace qm
