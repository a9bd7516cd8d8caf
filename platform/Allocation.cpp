#include "platform/Allocation.h"

#include <atomic>
#include <limits>

namespace corvane {

namespace {
// Allocations left before injected failures start; negative means no failures are injected.
std::atomic<long> g_allocationsBeforeFailure{-1};

bool injectedFailure() noexcept {
    long left = g_allocationsBeforeFailure.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0) {
            return true;
        }
        if (g_allocationsBeforeFailure.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
            return false;
        }
    }
    return false;
}
} // namespace

void* detail::allocateBytes(std::size_t count, std::size_t size, bool zeroed) noexcept {
    if (count == 0 || size == 0 || count > std::numeric_limits<std::size_t>::max() / size) {
        return nullptr;
    }
    if (injectedFailure()) {
        return nullptr;
    }
    return zeroed ? std::calloc(count, size) : std::malloc(count * size);
}

AllocationFailureScope::AllocationFailureScope(long successes) {
    g_allocationsBeforeFailure.store(successes < 0 ? 0 : successes);
}

AllocationFailureScope::~AllocationFailureScope() {
    g_allocationsBeforeFailure.store(-1);
}

} // namespace corvane
