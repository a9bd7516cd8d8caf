# The comparison views in the window: what the image areas paint for the visual comparison and the
# charts; the magnifier window and the property dialog in the main window.
find_package(Qt6 REQUIRED COMPONENTS Test)
corvane_add_test(corvane_view_area_tests
    LABEL gui
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/AreaTestSupport.cpp
        ${PROJECT_SOURCE_DIR}/tests/support/OffscreenApplication.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ViewsPaintTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../app/ScriptedHost.cpp
    LINKS
        corvane_window
        Qt6::Test)

add_executable(corvane_view_window_tests
    ${CMAKE_CURRENT_LIST_DIR}/WindowTestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MagnifierWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PropertyDialogTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VisualCommandTest.cpp)
target_link_libraries(corvane_view_window_tests PRIVATE corvane_window Qt6::Test GTest::gtest corvane_warnings)
gtest_discover_tests(corvane_view_window_tests
    PROPERTIES LABELS gui TIMEOUT 60 ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
