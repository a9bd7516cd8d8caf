# Speed of the tolerant comparison (against the exact one) and of the quality metrics on 4000 × 3000
# pairs, a program of its own; and the writer of the pairs whose counts bench/pixelmatch-check.sh checks.
add_executable(corvane-metrics-bench MetricsBench.cpp BenchReport.cpp)
target_link_libraries(corvane-metrics-bench PRIVATE corvane_imaging corvane_platform corvane_test_support
    benchmark::benchmark corvane_warnings)
add_executable(corvane-tolerance-check ToleranceCheck.cpp)
target_link_libraries(corvane-tolerance-check PRIVATE corvane_imaging corvane_platform corvane_test_support
    corvane_warnings)
