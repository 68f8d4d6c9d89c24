# One place for the warning flags of every target of ours.
function(olv_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
    if(OLV_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A GoogleTest executable of one module, discovered by CTest. OWN_MAIN: the sources bring
# main() (Qt tests create their QApplication there).
# Tests never see the real home folder: each test program points HOME and XDG_* at a folder
# under the build tree before its tests run (tests that write make their own folder below it).
function(olv_add_test_executable name)
    cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    if(NOT ARG_OWN_MAIN)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    olv_warnings(${name})
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/TestHome.cpp)
    target_compile_definitions(${name} PRIVATE
        OLV_TEST_HOME="${CMAKE_BINARY_DIR}/test-home/${name}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
