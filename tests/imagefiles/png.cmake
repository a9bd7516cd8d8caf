# The PNG reader: against Qt's reader on generated files, PngSuite and damaged files, and the seeds of
# its fuzz target.
corvane_add_test(corvane_png_tests LABEL io
    SOURCES
        CorruptFiles.cpp
        PngSamples.cpp
        PngFuzzSeedTest.cpp
        PngReaderTest.cpp
        ValidFiles.cpp
    LINKS corvane_imagefiles ZLIB::ZLIB)
set(CORVANE_PNGSUITE "/work/shared/testdata/pngsuite/png" CACHE PATH
    "Folder of the PngSuite files (the test is skipped when it is missing)")
target_compile_definitions(corvane_png_tests PRIVATE CORVANE_PNGSUITE="${CORVANE_PNGSUITE}")
target_compile_definitions(corvane_png_tests PRIVATE CORVANE_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus")
