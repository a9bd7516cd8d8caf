# The comparison views drawn without widgets: the visual comparison's tables, the charts, the magnifier's
# geometry and the reduced copies, painted into images on Qt's offscreen platform.
corvane_add_test(corvane_view_tests LABEL unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/ViewTestSupport.cpp
        ${PROJECT_SOURCE_DIR}/tests/support/OffscreenApplication.cpp
        ${CMAKE_CURRENT_LIST_DIR}/VisualTableTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/HistogramChartTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ScanChartTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MagnifierTest.cpp
    LINKS corvane_views)
