include_guard(GLOBAL)

# A fuzz target: a source defining LLVMFuzzerTestOneInput and a corpus folder of seeds.
# With clang and OLV_FUZZ it is a libFuzzer binary (run it by hand with the corpus);
# otherwise tests/platform/FuzzDriver.cpp runs every seed and a fixed number of mutations of
# each as an ordinary test.
option(OLV_FUZZ "Build fuzz targets with libFuzzer (clang only)" OFF)

function(olv_add_fuzz_target name)
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    olv_warnings(${name})
    if(OLV_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    else()
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/FuzzDriver.cpp)
        set(home ${CMAKE_BINARY_DIR}/test-home/${name})
        file(MAKE_DIRECTORY ${home})
        add_test(NAME ${name} COMMAND ${name} ${ARG_CORPUS})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT
            "HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_STATE_HOME=${home}/.local/state;XDG_CACHE_HOME=${home}/.cache;XDG_RUNTIME_DIR=${home}/run")
    endif()
endfunction()
