#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <type_traits>

// Heap buffers for pixel data. A failed allocation gives an empty buffer, never an exception, so the
// pixel operations can report it as a false return and leave their target untouched.
namespace corvane {

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

template <class T>
using Buffer = std::unique_ptr<T[], FreeDeleter>;

namespace detail {
void* allocateBytes(std::size_t count, std::size_t size, bool zeroed) noexcept;
}

// `count` elements of T, uninitialised unless `zeroed`; empty on failure or on a size overflow.
template <class T>
Buffer<T> allocateBuffer(std::size_t count, bool zeroed = false) noexcept {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    return Buffer<T>(static_cast<T*>(detail::allocateBytes(count, sizeof(T), zeroed)));
}

// Test seam: the next `successes` allocations succeed, every later one fails, until the scope ends.
class AllocationFailureScope {
public:
    explicit AllocationFailureScope(long successes);
    ~AllocationFailureScope();
    AllocationFailureScope(const AllocationFailureScope&) = delete;
    AllocationFailureScope& operator=(const AllocationFailureScope&) = delete;
};

} // namespace corvane
