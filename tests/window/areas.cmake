# The image areas of the main window: geometry and scaling without a window, painting and input on the
# offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Test)
corvane_add_test(corvane_area_tests
    LABEL gui
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/AreaCaptionsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AreaGeometryTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AreaScalingTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AreaTestSupport.cpp
        ${PROJECT_SOURCE_DIR}/tests/support/OffscreenApplication.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AreaViewInputTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AreaViewPaintTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../app/ScriptedHost.cpp
    LINKS
        corvane_window
        Qt6::Test)
