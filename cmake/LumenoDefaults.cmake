# Compiler settings shared by every target of the project.
add_library(lumeno_defaults INTERFACE)
target_compile_options(lumeno_defaults INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wformat=2 -Wcast-align
    -Wno-missing-field-initializers)
if(LUMENO_WERROR)
    target_compile_options(lumeno_defaults INTERFACE -Werror)
endif()
target_include_directories(lumeno_defaults INTERFACE ${CMAKE_SOURCE_DIR})
target_compile_definitions(lumeno_defaults INTERFACE
    LUMENO_VERSION="${PROJECT_VERSION}"
    LUMENO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    LUMENO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    LUMENO_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    LUMENO_VERSION_TWEAK=${PROJECT_VERSION_TWEAK}
    QT_NO_KEYWORDS)
# The build folder is "." in debugging information, so that compiler results do not depend on
# where the checkout is and a compiler cache shared by several clones serves them all.
add_compile_options(-fdebug-prefix-map=${CMAKE_BINARY_DIR}=.)

# GNU gold, which comes with binutils, links the many test programs three to four times faster
# than the default linker. (Not for clang's fuzz tree: gold warns about clang's sanitizer runtime.)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    include(CheckLinkerFlag)
    check_linker_flag(CXX "-fuse-ld=gold" LUMENO_LINKER_GOLD)
    if(LUMENO_LINKER_GOLD)
        add_link_options(-fuse-ld=gold)
    endif()
endif()

if(LUMENO_FUZZ)
    # Every library is instrumented for libFuzzer's coverage and checked by the sanitizers; only
    # the fuzz targets link the fuzzer's own main. Line tables keep the reports readable.
    set(CMAKE_CXX_FLAGS_RELEASE "-O1 -g1")
    set(CMAKE_C_FLAGS_RELEASE "-O1 -g1")
    set(lumeno_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_compile_options(-fsanitize=fuzzer-no-link ${lumeno_sanitize_flags})
    add_link_options(${lumeno_sanitize_flags})
    add_compile_definitions(BOOST_USE_UCONTEXT BOOST_USE_ASAN)
elseif(LUMENO_SANITIZE)
    # Line tables are enough for the sanitizers' reports and much cheaper to produce than full
    # debugging information.
    set(CMAKE_CXX_FLAGS_DEBUG "-g1")
    set(CMAKE_C_FLAGS_DEBUG "-g1")
    set(lumeno_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_compile_options(${lumeno_sanitize_flags})
    add_link_options(${lumeno_sanitize_flags})
    # Fiber switches are announced to AddressSanitizer only by the ucontext back end.
    add_compile_definitions(BOOST_USE_UCONTEXT BOOST_USE_ASAN)
endif()

if(LUMENO_TSAN)
    set(CMAKE_CXX_FLAGS_DEBUG "-g1 -O1")
    set(CMAKE_C_FLAGS_DEBUG "-g1 -O1")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
# The thread-checked build builds and runs only the suites marked THREADS (target
# lumeno_thread_suites, ctest label "threads"): the engine, the pool, storage and the connections.
add_custom_target(lumeno_thread_suites)

# lumeno_add_test(name [THREADS] [DESKTOP] SOURCES ... LIBS ...): a GoogleTest executable
# registered with ctest; THREADS adds it to the thread-checked suites. DESKTOP runs each of its
# tests on a private X display with a window manager and a compositing manager, driven through the
# real pointer and keyboard (tests/support/desktop_display.sh, tests/support/real_input.h).
function(lumeno_add_test name)
    cmake_parse_arguments(ARG "THREADS;DESKTOP" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    if(ARG_DESKTOP)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/support/desktop_display.sh)
        # On Xvfb a web view draws through Mesa's software OpenGL, unloaded at exit with
        # allocations the leak checker reports without a name to suppress them by; the web
        # engine frees some objects through a base of another size. Leaks are looked for in the
        # off-screen tests.
        list(APPEND ARG_PROPERTIES SKIP_RETURN_CODE 77 LABELS desktop ENVIRONMENT_MODIFICATION
             "ASAN_OPTIONS=string_append::new_delete_type_mismatch=0:detect_leaks=0")
    endif()
    add_executable(${name} ${ARG_SOURCES})
    # Test code itself needs no optimisation; the libraries it tests keep theirs.
    target_compile_options(${name} PRIVATE $<$<CONFIG:Release>:-O0>)
    target_link_libraries(${name} PRIVATE lumeno_defaults lumeno_test_build_tree ${ARG_LIBS} GTest::gtest
        GTest::gmock)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set(labels "")
    if(ARG_THREADS)
        add_dependencies(lumeno_thread_suites ${name})
        set(labels LABELS threads)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${labels} ${ARG_PROPERTIES})
endfunction()

# lumeno_precompile(target [header...]): the heavy Qt headers of the window libraries (and of the
# larger window test programs, with the given headers too), precompiled once per target. Only in trees built without optimisation (LUMENO_PCH, the sanitizer tree, where they
# cut those libraries' compile time nearly in half): with -O2, GCC 12 reports false out-of-bounds
# warnings inside the standard library when its headers come from a precompiled header.
option(LUMENO_PCH "Precompile the heavy Qt headers of the window libraries" OFF)
function(lumeno_precompile target)
    if(LUMENO_PCH)
        target_precompile_headers(${target} PRIVATE <QApplication> <QWidget> <QPainter> <QImage>
            <QString> <QColor> <QTimer> <QPointer> <functional> <map> <memory> <string> <vector>
            ${ARGN})
    endif()
endfunction()
