#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace tonvarra::midi {

// HandlerSlot: a handler (object and method) that one thread replaces while
// delivery threads read it, always seeing both halves of the same handler.
//
// Each distinct handler is stored once in a node that lives as long as the
// slot, and the slot publishes a pointer to it. A reader loads the pointer and
// copies the node: no lock, no allocation, and no node is freed under it. The
// nodes are bounded by the number of distinct handlers the program installs.
template <class Handler> class HandlerSlot {
public:
    HandlerSlot() = default;
    HandlerSlot(const HandlerSlot&) = delete;
    HandlerSlot& operator=(const HandlerSlot&) = delete;

    void Set(const Handler& handler) {
        if (!handler) {
            current_.store(nullptr, std::memory_order_release);
            return;
        }
        const std::lock_guard lock(writers_);
        for (const auto& node : nodes_) {
            if (*node == handler) {
                current_.store(node.get(), std::memory_order_release);
                return;
            }
        }
        nodes_.push_back(std::make_unique<const Handler>(handler));
        current_.store(nodes_.back().get(), std::memory_order_release);
    }

    [[nodiscard]] Handler Get() const {
        const Handler* node = current_.load(std::memory_order_acquire);
        return node != nullptr ? *node : Handler{};
    }

private:
    std::atomic<const Handler*> current_{nullptr};
    std::mutex writers_;
    std::vector<std::unique_ptr<const Handler>> nodes_;
};

} // namespace tonvarra::midi
