# Decoding PNG files: our reader, Qt's and the inflate floor, and first-touch costs (bench/cli-peers.sh
# runs it on the files it generates).
add_executable(corvane-png-bench PngBench.cpp)
target_link_libraries(corvane-png-bench PRIVATE corvane_imagefiles benchmark::benchmark PkgConfig::Deflate
    corvane_warnings)
