// Runs a function when the scope it guards ends, however it ends: the second
// half of a pair (hold and release, show and hide) cannot be skipped by an
// early return or an exception.
#pragma once
#include <utility>

namespace qm {

template <class Fn>
class scope_exit {
public:
    explicit scope_exit(Fn fn) noexcept : fn_(std::move(fn)) {}
    ~scope_exit() {
        if (active_) {
            try {
                fn_();
            } catch (...) {
                // a release step that fails must not turn into a second exception
            }
        }
    }
    scope_exit(const scope_exit&) = delete;
    scope_exit& operator=(const scope_exit&) = delete;
    void release() noexcept { active_ = false; }

private:
    Fn fn_;
    bool active_ = true;
};

}  // namespace qm
