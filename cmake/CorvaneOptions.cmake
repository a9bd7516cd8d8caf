# Compiler settings shared by every Corvane target.

add_library(corvane_warnings INTERFACE)
target_compile_options(corvane_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wimplicit-fallthrough)
if(CORVANE_WERROR)
    target_compile_options(corvane_warnings INTERFACE -Werror)
endif()

# Layers where a narrowing in channel arithmetic is a real fault also get -Wconversion.
add_library(corvane_strict_warnings INTERFACE)
target_link_libraries(corvane_strict_warnings INTERFACE corvane_warnings)
target_compile_options(corvane_strict_warnings INTERFACE -Wconversion -Wsign-conversion)

# Float results must not depend on whether the compiler fuses a multiply and an add. Floating-point
# exceptions are never inspected, so the compiler may evaluate divisions unconditionally (which lets
# pixel loops with selects vectorise); this changes no result.
add_compile_options(-ffp-contract=off -fno-trapping-math)

if(CORVANE_SANITIZE)
    message(STATUS "Corvane: building with -fsanitize=${CORVANE_SANITIZE}")
    add_compile_options(-fsanitize=${CORVANE_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${CORVANE_SANITIZE})
endif()

if(CORVANE_FUZZ)
    # Coverage instrumentation everywhere, so that the fuzzers see inside the libraries too.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Adds a library for one layer of the program, with its sources and the folder's public headers.
function(corvane_add_layer name)
    cmake_parse_arguments(ARG "STRICT" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    if(ARG_STRICT)
        target_link_libraries(${name} PRIVATE corvane_strict_warnings)
    else()
        target_link_libraries(${name} PRIVATE corvane_warnings)
    endif()
    if(ARG_LINKS)
        target_link_libraries(${name} PUBLIC ${ARG_LINKS})
    endif()
endfunction()
