# Speed of the watermark mode on a 12-megapixel original with ten texts: one recomposition (goal ≤ 50 ms),
# a drag step and its repaint (goal ≤ 16 ms), next to a plain full-image copy; a program of its own.
add_executable(corvane-watermark-bench WatermarkBench.cpp BenchReport.cpp)
target_link_libraries(corvane-watermark-bench PRIVATE corvane_window benchmark::benchmark corvane_warnings)
