// The instance registry: a named 8-byte shared block (window handle, instance
// count) per installed copy, named after the program's path without "\".
#pragma once
#include <windows.h>

#include <string>

#include "base/unique_any.h"

namespace qm {

std::wstring InstanceRegistryName(const std::wstring& programPath);

class TInstanceRegistry {
public:
    explicit TInstanceRegistry(std::wstring name) : name_(std::move(name)) {}
    ~TInstanceRegistry();
    TInstanceRegistry(const TInstanceRegistry&) = delete;
    TInstanceRegistry& operator=(const TInstanceRegistry&) = delete;

    // True when another instance is running and this one must not. Registers this
    // instance (count + 1) otherwise; brings the registered window forward when not.
    // Throws std::system_error when the block cannot be created.
    bool AnotherInstanceRunning(HWND window, int limit = 1);

    // Records the main window once it exists, so a second start can raise it.
    void SetWindow(HWND window);

    // Unregisters (count - 1) when this instance registered; runs at destruction.
    void Release();

    bool Registered() const { return registered_; }

    // Reads the block: window handle and count (for tests and diagnostics).
    static bool Peek(const std::wstring& name, HWND& window, int& count);

private:
    struct Block {
        volatile LONG window;
        volatile LONG count;
    };
    std::wstring name_;
    unique_handle mapping_;
    unique_mapview view_;
    bool registered_ = true;
    bool counted_ = false;
};

}  // namespace qm
