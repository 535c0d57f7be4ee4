#include "ui/busyguard.h"

#include "base/guarded.h"

namespace qm {

TBusyGuard::TScope::~TScope() {
    if (guard_) guard_->Release();
}

std::optional<TBusyGuard::TScope> TBusyGuard::TryEnter(const wchar_t* what) {
    if (holder_) return std::nullopt;
    holder_ = what ? what : L"operation";
    return TScope(this);
}

bool TBusyGuard::RunOrRefuse(const wchar_t* what, const std::function<void()>& operation) {
    auto scope = TryEnter(what);
    if (!scope) return false;
    Guarded(what, operation);
    return true;
}

bool TBusyGuard::RunOrQueue(const wchar_t* what, std::function<void()> command) {
    // A command that comes while earlier ones wait goes behind them.
    if (holder_ || !queue_.empty()) {
        queue_.push_back({what, std::move(command)});
        if (!holder_ && !draining_) {
            if (requestDrain_)
                requestDrain_();
            else
                DrainQueue();
        }
        return false;
    }
    auto scope = TryEnter(what);
    Guarded(what, command);
    return true;
}

void TBusyGuard::Release() {
    holder_ = nullptr;
    if (queue_.empty() || draining_) return;
    if (requestDrain_)
        requestDrain_();
    else
        DrainQueue();
}

void TBusyGuard::DrainQueue() {
    if (draining_) return;
    draining_ = true;
    while (!holder_ && !queue_.empty()) {
        TWaiting next = std::move(queue_.front());
        queue_.pop_front();
        auto scope = TryEnter(next.what);
        Guarded(next.what, next.command);
    }
    draining_ = false;
}

}  // namespace qm
