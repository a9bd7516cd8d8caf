# Editing the watermark texts in the main window, on the offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test)
add_executable(corvane_watermark_window_tests
    ${CMAKE_CURRENT_LIST_DIR}/WindowTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WatermarkWindowTest.cpp)
target_link_libraries(corvane_watermark_window_tests PRIVATE corvane_window Qt6::Test GTest::gtest corvane_warnings)
gtest_discover_tests(corvane_watermark_window_tests
    PROPERTIES LABELS gui TIMEOUT 60 ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
