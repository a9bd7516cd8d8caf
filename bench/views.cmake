# Speed of the comparison views with two 20-megapixel originals: repaints of the visual comparison, the
# histograms and the scan chart, the scan chart after a shift change, and the magnifier, each next to a
# plain way measured in the same run; a program of its own.
add_executable(corvane-views-bench ViewsBench.cpp BenchReport.cpp)
target_link_libraries(corvane-views-bench PRIVATE corvane_window benchmark::benchmark corvane_warnings)
