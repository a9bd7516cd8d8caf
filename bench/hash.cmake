# Speed of the file digests (SHA-256, MD5, CRC-32 alone, and CHash::HashFile on a file), a program of its
# own so that it runs without the pixel-engine benchmarks.
add_executable(corvane-hash-bench HashBench.cpp)
target_link_libraries(corvane-hash-bench PRIVATE corvane_views benchmark::benchmark OpenSSL::Crypto ZLIB::ZLIB
    corvane_warnings)
