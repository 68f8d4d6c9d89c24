# One place for the warning flags of every target of ours.
function(olv_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
    if(OLV_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A GoogleTest executable of one module, discovered by CTest. OWN_MAIN: the sources bring
# main() (Qt tests create their QApplication there).
# Tests never see the real home folder: each test binary gets HOME and XDG_* pointed at
# a folder under the build tree (tests that write make their own temporary folder below it).
function(olv_add_test_executable name)
    cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    if(NOT ARG_OWN_MAIN)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    olv_warnings(${name})
    set(home ${CMAKE_BINARY_DIR}/test-home/${name})
    file(MAKE_DIRECTORY ${home})
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT
            "HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_STATE_HOME=${home}/.local/state;XDG_CACHE_HOME=${home}/.cache;XDG_RUNTIME_DIR=${home}/run;QT_QPA_PLATFORM=offscreen")
endfunction()
