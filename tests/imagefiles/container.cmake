# The document container: the stream and its alpha encoding in memory (with the fuzz seeds made from
# them), and carriers and extracted documents in files.
corvane_add_test(corvane_container_tests LABEL unit
    SOURCES
        ContainerStreamTest.cpp
        ContainerFuzzSeedTest.cpp
    LINKS corvane_imagefiles corvane_test_support)
target_compile_definitions(corvane_container_tests PRIVATE
    CORVANE_CONTAINER_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus/fuzz_container")

corvane_add_test(corvane_container_file_tests LABEL io
    SOURCES ContainerFileTest.cpp
    LINKS corvane_imagefiles corvane_test_support)
