# Speed of painting the image areas with two 20-megapixel originals (goal: ≤ 30 ms per repaint), making
# their scaled copies, and peers that scale the full images on every paint; a program of its own.
add_executable(corvane-paint-bench PaintBench.cpp BenchReport.cpp)
target_link_libraries(corvane-paint-bench PRIVATE corvane_window benchmark::benchmark corvane_warnings)
