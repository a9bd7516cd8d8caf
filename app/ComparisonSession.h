#pragma once

namespace corvane {

class ComparisonSession;

} // namespace corvane
