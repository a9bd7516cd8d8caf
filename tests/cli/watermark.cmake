# corvane-cli watermark, run as a process.
corvane_add_test(corvane_watermark_command_tests
    LABEL io
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WatermarkCommandTest.cpp
    LINKS corvane_watermark)
target_compile_definitions(corvane_watermark_command_tests PRIVATE CORVANE_CLI_PATH="$<TARGET_FILE:corvane-cli>")
add_dependencies(corvane_watermark_command_tests corvane-cli)
