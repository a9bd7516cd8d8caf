#pragma once

#include <cstdint>
#include <functional>

namespace corvane {

// Told (done, total) as a long operation progresses, on the thread that started it.
using ProgressFn = std::function<void(std::int64_t done, std::int64_t total)>;

} // namespace corvane
