#include "app/instance.h"

#include <system_error>

#include "base/strings.h"

namespace qm {

std::wstring InstanceRegistryName(const std::wstring& programPath) { return ReplaceAll(programPath, L"\\", L""); }

namespace {
// Window handles carry 32 significant bits on 64-bit Windows too (sign-extended).
HWND ToWindow(LONG v) { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(v)); }
LONG FromWindow(HWND h) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(h)); }
}  // namespace

bool TInstanceRegistry::AnotherInstanceRunning(HWND window, int limit) {
    unique_handle mapping(
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Block), name_.c_str()));
    if (!mapping)
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "instance registry");
    bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    mapping_ = std::move(mapping);
    if (!existed) {
        view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)));
        if (!view_)
            throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "instance registry");
        auto* b = static_cast<Block*>(view_.get());
        ::InterlockedExchange(&b->window, FromWindow(window));
        ::InterlockedExchange(&b->count, 1);
        counted_ = true;
        return false;
    }
    unique_handle opened(::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name_.c_str()));
    if (!opened) return true;
    view_.reset(::MapViewOfFile(opened.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)));
    if (!view_) return true;
    auto* b = static_cast<Block*>(view_.get());
    // Take a place atomically so two copies started together cannot both register.
    for (;;) {
        LONG count = b->count;
        if (count >= limit) break;
        if (::InterlockedCompareExchange(&b->count, count + 1, count) == count) {
            ::InterlockedExchange(&b->window, FromWindow(window));
            counted_ = true;
            return false;
        }
    }
    registered_ = false;
    HWND registeredWindow = ToWindow(b->window);
    if (registeredWindow && ::IsWindow(registeredWindow)) {
        if (::IsIconic(registeredWindow)) ::ShowWindow(registeredWindow, SW_RESTORE);
        ::SetForegroundWindow(registeredWindow);
    }
    return true;
}

void TInstanceRegistry::SetWindow(HWND window) {
    if (!view_ || !counted_) return;
    ::InterlockedExchange(&static_cast<Block*>(view_.get())->window, FromWindow(window));
}

void TInstanceRegistry::Release() {
    if (registered_ && counted_ && view_) {
        ::InterlockedDecrement(&static_cast<Block*>(view_.get())->count);
        counted_ = false;
    }
    view_.reset();
    mapping_.reset();
}

TInstanceRegistry::~TInstanceRegistry() { Release(); }

bool TInstanceRegistry::Peek(const std::wstring& name, HWND& window, int& count) {
    unique_handle m(::OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
    if (!m) return false;
    unique_mapview v(::MapViewOfFile(m.get(), FILE_MAP_READ, 0, 0, sizeof(Block)));
    if (!v) return false;
    auto* b = static_cast<const Block*>(v.get());
    window = ToWindow(b->window);
    count = b->count;
    return true;
}

}  // namespace qm
