# Decoding image files: our PNG reader, Qt's and the inflate floor, Qt's JPEG reader against libjpeg-turbo
# called directly, and first-touch costs (bench/cli-peers.sh runs it on the files it generates).
pkg_check_modules(Jpeg REQUIRED IMPORTED_TARGET libjpeg)
add_executable(corvane-png-bench PngBench.cpp)
target_link_libraries(corvane-png-bench PRIVATE corvane_imagefiles benchmark::benchmark PkgConfig::Deflate
    PkgConfig::Jpeg corvane_warnings)
