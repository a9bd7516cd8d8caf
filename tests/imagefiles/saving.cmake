# Image saving: the BMP writer, the GIF writer and patcher, the encoders by extension.
corvane_add_test(corvane_saving_tests LABEL io
    SOURCES
        SaveBmpTest.cpp
        SaveEncoderTest.cpp
        SaveGifTest.cpp
    LINKS
        corvane_imagefiles
        corvane_test_support
        Qt6::Gui)
# The GIF seed test compares (or, with CORVANE_WRITE_GIF_SEEDS set, writes) the fuzz corpus.
target_compile_definitions(corvane_saving_tests PRIVATE CORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
