# Image loading: formats and limits, key colours and transparency, decoding and drawing, damaged files,
# and the fuzz seeds of the loading targets.
corvane_add_test(corvane_loading_tests LABEL io
    SOURCES
        CorruptFiles.cpp
        LoadCorruptTest.cpp
        LoadDecodeTest.cpp
        LoadFormatTest.cpp
        LoadFuzzSeedTest.cpp
        LoadKeyColourTest.cpp
        LoadVariantTest.cpp
        ValidFiles.cpp
    LINKS corvane_imagefiles ZLIB::ZLIB PkgConfig::Tiff)
target_compile_definitions(corvane_loading_tests PRIVATE
    CORVANE_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus")
