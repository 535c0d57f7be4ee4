// The busy guard of a window: every long operation (recording, loading a
// record, replay, deleting records, filling the add-items dialog, a search, a
// Smart Record tick) holds it while it runs, and every command that changes the
// open record or a record file asks it first. Long operations pump messages,
// so input arrives in their middle: such a command is queued and run once the
// operation ends, in arrival order; a command for which waiting makes no sense
// (a second recording or replay) is refused. Nothing then acts on a
// half-loaded or half-recorded model.
#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace qm {

class TBusyGuard {
public:
    // requestDrain is called when the guard is released with commands waiting;
    // it arranges for DrainQueue to run soon (the window posts itself a
    // message). Without one, the queue runs at once when the guard is released.
    explicit TBusyGuard(std::function<void()> requestDrain = {}) : requestDrain_(std::move(requestDrain)) {}
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

    class TScope {
    public:
        TScope(TScope&& other) noexcept : guard_(std::exchange(other.guard_, nullptr)) {}
        TScope& operator=(TScope&& other) noexcept {
            if (this != &other) {
                if (guard_) guard_->Release();
                guard_ = std::exchange(other.guard_, nullptr);
            }
            return *this;
        }
        TScope(const TScope&) = delete;
        ~TScope();

    private:
        friend class TBusyGuard;
        explicit TScope(TBusyGuard* guard) : guard_(guard) {}
        TBusyGuard* guard_;
    };

    bool Busy() const { return holder_ != nullptr; }
    // What holds the guard (for the fault log), or empty.
    std::wstring Holder() const { return holder_ ? holder_ : L""; }
    size_t Waiting() const { return queue_.size(); }

    // Takes the guard for an operation; nothing when another operation holds it.
    [[nodiscard]] std::optional<TScope> TryEnter(const wchar_t* what);
    // A long operation that cannot wait: runs it holding the guard, or refuses
    // it quietly (false) while another holds it.
    bool RunOrRefuse(const wchar_t* what, const std::function<void()>& operation);
    // A command that changes the record: runs it now holding the guard, or
    // queues it to run after the operation that holds it. True when it ran now.
    bool RunOrQueue(const wchar_t* what, std::function<void()> command);
    // Runs the waiting commands while the guard is free; a command that takes
    // the guard and pumps leaves the rest waiting for its own end.
    void DrainQueue();

private:
    struct TWaiting {
        const wchar_t* what;
        std::function<void()> command;
    };
    void Release();

    const wchar_t* holder_ = nullptr;
    std::deque<TWaiting> queue_;
    std::function<void()> requestDrain_;
    bool draining_ = false;
};

}  // namespace qm
