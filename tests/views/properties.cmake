# Property comparison: colour statistics and the number formatting in memory; file digests and the
# fifteen rows on files.
corvane_add_test(corvane_properties_tests LABEL unit
    SOURCES
        ColorStatisticsTest.cpp
        FormatThousandsTest.cpp
    LINKS corvane_views corvane_test_support)

corvane_add_test(corvane_properties_file_tests LABEL io
    SOURCES
        HashTest.cpp
        PropertyTableTest.cpp
    LINKS corvane_views corvane_imagefiles corvane_test_support OpenSSL::Crypto ZLIB::ZLIB)
