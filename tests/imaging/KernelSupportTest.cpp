// The exact division of the running-sum blur through single-precision reciprocals.

#include "imaging/KernelSupport.h"

#include <gtest/gtest.h>

namespace corvane::kernel {
namespace {

// windowQuotient() is monotone in the sum (a multiply and an add by constants, each rounded monotonically,
// then truncated), so it is floor(sum / d) for every sum 0 … 255·d exactly when it is right at every
// multiple of d and just below it.
TEST(WindowQuotient, IsTheExactQuotientForEveryDivisorItIsUsedWith) {
    for (std::uint32_t d = 1; d <= kMaxReciprocalDivisor; ++d) {
        const float inverse = 1.0f / static_cast<float>(d);
        for (std::uint32_t k = 0; k <= 255; ++k) {
            ASSERT_EQ(windowQuotient(k * d, inverse), k) << "divisor " << d;
            if (k > 0) {
                ASSERT_EQ(windowQuotient(k * d - 1, inverse), k - 1) << "divisor " << d;
            }
        }
        ASSERT_EQ(windowQuotient(255 * d + d - 1, inverse), 255u) << "divisor " << d;
    }
}

} // namespace
} // namespace corvane::kernel
