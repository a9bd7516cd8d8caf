#include "platform/Allocation.h"

#include <atomic>
#include <cstdint>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

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
// Images are tens of megabytes that are touched from one end to the other: asking for 2 MB pages where
// the system grants them on request saves most of the page faults of their first use.
void adviseHugePages(void* block, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (block == nullptr || bytes < 2 * kHugePage) {
        return;
    }
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kHugePage - 1);
    if (end > start) {
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
#else
    static_cast<void>(block);
    static_cast<void>(bytes);
#endif
}

} // namespace

void* detail::allocateBytes(std::size_t count, std::size_t size, bool zeroed) noexcept {
    if (count == 0 || size == 0 || count > std::numeric_limits<std::size_t>::max() / size) {
        return nullptr;
    }
    if (injectedFailure()) {
        return nullptr;
    }
    void* block = zeroed ? std::calloc(count, size) : std::malloc(count * size);
    adviseHugePages(block, count * size);
    return block;
}

AllocationFailureScope::AllocationFailureScope(long successes) {
    g_allocationsBeforeFailure.store(successes < 0 ? 0 : successes);
}

AllocationFailureScope::~AllocationFailureScope() {
    g_allocationsBeforeFailure.store(-1);
}

} // namespace corvane
