#include "platform/FlushBehind.h"

#include <utility>

namespace kel {
namespace {

thread_local FlushBehind* current = nullptr;

}  // namespace

namespace detail {

bool CanDefer() { return current != nullptr; }

bool DeferReplacement(OpenReplacement& r) { return current && current->Take(r); }

}  // namespace detail

FlushBehind::FlushBehind() : outer_(current) { current = this; }

FlushBehind::~FlushBehind() {
    current = outer_;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        held_ = false;
    }
    changed_.notify_all();
    // The helper finishes what it was given before it ends.
    if (worker_.joinable()) worker_.join();
}

bool FlushBehind::Take(detail::OpenReplacement& r) {
    try {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
        const std::size_t id = nextId_;
        // Each step either completes or leaves everything as it was.
        outcomes_.emplace(id, Outcome{});
        started_.reserve(started_.size() + 1);
        try {
            queue_.emplace_back(id, std::move(r));
        } catch (...) {
            outcomes_.erase(id);
            throw;
        }
        started_.push_back(id);
        ++nextId_;
    } catch (...) {
        return false;  // without memory or a thread, the caller finishes it in place
    }
    changed_.notify_all();
    return true;
}

void FlushBehind::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return (stop_ || !queue_.empty()) && !held_; });
        if (queue_.empty()) return;  // stopped, and nothing left
        auto [id, r] = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        Outcome outcome;
        outcome.done = true;
        try {
            outcome.ok = detail::FinishReplacement(r, true, outcome.strErr);
        } catch (...) {
            outcome.strErr = "out of memory";
        }
        lock.lock();
        outcomes_[id] = std::move(outcome);
        changed_.notify_all();
    }
}

void FlushBehind::Hold() {
    const std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
}

void FlushBehind::Release() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        held_ = false;
    }
    changed_.notify_all();
}

std::vector<std::size_t> FlushBehind::TakeStarted() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(started_, {});
}

bool FlushBehind::Wait(std::size_t id, std::string& strErr) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto it = outcomes_.find(id);
    if (it == outcomes_.end()) {
        strErr = "no such save";
        return false;
    }
    changed_.wait(lock, [&] { return it->second.done; });
    const Outcome outcome = std::move(it->second);
    outcomes_.erase(it);
    strErr = outcome.strErr;
    return outcome.ok;
}

}  // namespace kel
