# Helpers shared by the tests/, bench/ and fuzz/ folders.

# corvel_add_gtest(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>])
# Builds one GoogleTest executable and registers it as one CTest test of the same name.
function(corvel_add_gtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    # The test files of one executable are compiled as one unit: they share the heavy headers
    # (GoogleTest, Qt), which a cold build would otherwise read once per file.
    # GCC takes an anonymous-namespace fixture of a file included in that unit for one of a
    # header.
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
    target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    # Header-only helpers every test may use (WaitUntil.h).
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()

# Adds every immediate sub-folder of the current source folder that has a CMakeLists.txt,
# so each area can add its own tests, benchmarks or fuzz targets without touching a shared file.
function(corvel_add_subdirectories)
    file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child ${children})
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
           AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# Lets a test or benchmark start the kestra-sim program: the SimProcess helper (a library
# compiled once for all of them) and its folder, the program's path compiled in as
# KESTRA_SIM_PATH, and the program built first.
function(corvel_use_kestra_sim target)
    if(NOT TARGET corvel_simprocess)
        add_library(corvel_simprocess STATIC ${PROJECT_SOURCE_DIR}/tests/sim/SimProcess.cpp)
        target_include_directories(corvel_simprocess PUBLIC ${PROJECT_SOURCE_DIR}/tests/sim)
        target_link_libraries(corvel_simprocess PUBLIC kestra_sim_core)
        target_compile_definitions(corvel_simprocess
                                   PUBLIC KESTRA_SIM_PATH="$<TARGET_FILE:kestra-sim>")
        add_dependencies(corvel_simprocess kestra-sim)
    endif()
    target_link_libraries(${target} PRIVATE corvel_simprocess)
    add_dependencies(${target} kestra-sim)
endfunction()
