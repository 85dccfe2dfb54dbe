# Test code is built for a quick build rather than for speed: its own lines gain nothing from
# optimisation, and line tables are enough for a sanitizer's or a debugger's backtrace. Most of
# a build's time went into optimising and describing GoogleTest's macros. The program's code that
# the tests run keeps the build's own flags.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(KV_TEST_COMPILE_OPTIONS -Og $<$<CONFIG:RelWithDebInfo>:-g1>)
endif()

# kv_test_code(<target>): what every piece of test code is compiled with. GoogleTest's and
# GoogleMock's headers are read once per build into one precompiled header that all suites share
# (a third of each test file's compile time went into reading them).
function(kv_test_code target)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(${target} PRIVATE ${KV_TEST_COMPILE_OPTIONS})
    target_compile_definitions(${target} PRIVATE
        KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KV_BINARY_DIR="${PROJECT_BINARY_DIR}")
    target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock Threads::Threads)
    if(NOT TARGET kv_test_headers)
        file(WRITE ${PROJECT_BINARY_DIR}/kv_test_headers.cpp "// GoogleTest's headers, precompiled for the suites.\n")
        add_library(kv_test_headers OBJECT EXCLUDE_FROM_ALL ${PROJECT_BINARY_DIR}/kv_test_headers.cpp)
        target_include_directories(kv_test_headers PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
        target_compile_options(kv_test_headers PRIVATE ${KV_TEST_COMPILE_OPTIONS})
        target_compile_definitions(kv_test_headers PRIVATE
            KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KV_BINARY_DIR="${PROJECT_BINARY_DIR}")
        target_link_libraries(kv_test_headers PRIVATE GTest::gtest GTest::gmock Threads::Threads)
        target_precompile_headers(kv_test_headers PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
    endif()
    target_precompile_headers(${target} REUSE_FROM kv_test_headers)
    # Suites keep one unit per file in every build: their files name their helpers freely, and
    # the shared header already takes the time a unity build would save.
    set_target_properties(${target} PROPERTIES UNITY_BUILD OFF)
endfunction()

# kv_add_test(<name> SOURCES <files...> LIBS <targets...> [WINDOWS_ONLY | BOTH] [ON_DISPLAY]
#             [LABELS <labels...>])
#
# One GoogleTest executable registered with CTest as a whole. Suites are native-only unless
# they say otherwise: WINDOWS_ONLY suites exist in the win32 build only (they test the real
# Win32 calls under Wine), BOTH suites are built in both. In the win32 build CTest runs them
# through CMAKE_CROSSCOMPILING_EMULATOR (wine). ON_DISPLAY suites show windows and read their
# pixels back: they take the display in turn, never two at once, while other suites run beside.
function(kv_add_test name)
    cmake_parse_arguments(T "WINDOWS_ONLY;BOTH;ON_DISPLAY" "" "SOURCES;LIBS;LABELS" ${ARGN})
    if(T_WINDOWS_ONLY AND NOT WIN32)
        return()
    endif()
    if(WIN32 AND NOT T_WINDOWS_ONLY AND NOT T_BOTH)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    kv_test_code(${name})
    if(WIN32)
        set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE OFF)
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
    if(T_ON_DISPLAY AND WIN32)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display)
    endif()
endfunction()

# kv_add_test_support(<name> SOURCES <files...> LIBS <targets...>): test code that several suites
# share (fixtures, builders of test files, runners of other programs), compiled once as a static
# library and built only when a suite that links it is.
function(kv_add_test_support name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC EXCLUDE_FROM_ALL ${T_SOURCES})
    target_link_libraries(${name} PUBLIC ${T_LIBS} GTest::gtest)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    kv_test_code(${name})
endfunction()

# kv_library(<name> <sources...>): a static library of the program with src/ as include root.
function(kv_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# kv_folder_library(<name> [<subfolder>] LIBS <targets...>): a static library of every .cpp in
# this folder (or in the subfolder), so adding a file needs no edit here. A folder without
# sources yet gives an interface library, so dependants can link it already.
function(kv_folder_library name)
    cmake_parse_arguments(L "" "FOLDER" "LIBS" ${ARGN})
    set(folder ${CMAKE_CURRENT_SOURCE_DIR})
    if(L_FOLDER)
        set(folder ${CMAKE_CURRENT_SOURCE_DIR}/${L_FOLDER})
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${L_LIBS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${L_LIBS})
    endif()
endfunction()

# kv_load_config(<target>): the Windows program's load configuration (platform/win32/load_config.cpp)
# linked in and, after each link, named in the image's load configuration entry, which GNU ld
# leaves empty. Called where the target is made, as CMake wants for a post-link step.
function(kv_load_config target)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    target_link_options(${target} PRIVATE LINKER:--require-defined=__load_config_used)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/set-load-config.py $<TARGET_FILE:${target}>
                __load_config_used
        VERBATIM)
endfunction()
