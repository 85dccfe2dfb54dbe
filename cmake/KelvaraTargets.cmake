# Test code is built for a quick build rather than for speed: its own lines gain nothing from
# optimisation, and line tables are enough for a sanitizer's or a debugger's backtrace. Most of
# a build's time went into optimising and describing GoogleTest's macros. The program's code that
# the tests run keeps the build's own flags.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(KV_TEST_COMPILE_OPTIONS -Og $<$<CONFIG:RelWithDebInfo>:-g1>)
endif()

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
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock Threads::Threads)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(${name} PRIVATE ${KV_TEST_COMPILE_OPTIONS})
    target_compile_definitions(${name} PRIVATE
        KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KV_BINARY_DIR="${PROJECT_BINARY_DIR}")
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
    target_compile_options(${name} PRIVATE ${KV_TEST_COMPILE_OPTIONS})
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
