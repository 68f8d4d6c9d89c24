# The tree-sitter runtime and the built-in grammars, compiled from the npm tarballs that
# setup.sh unpacks into .deps/npm. Nothing here is committed; a missing folder stops the
# configure with a hint instead of a wall of compiler errors later.
set(OLV_NPM_DEPS_DIR ${PROJECT_SOURCE_DIR}/.deps/npm CACHE PATH
    "Folder holding the unpacked tree-sitter npm tarballs (filled by setup.sh)")

# Internal cache entries so that the test and benchmark folders see them too.
set(OLV_TREE_SITTER_DIR ${OLV_NPM_DEPS_DIR}/tree-sitter-0.25.1/vendor/tree-sitter/lib
    CACHE INTERNAL "")
set(OLV_TREE_SITTER_JSON_DIR ${OLV_NPM_DEPS_DIR}/tree-sitter-json-0.24.8 CACHE INTERNAL "")
set(OLV_TREE_SITTER_YAML_DIR ${OLV_NPM_DEPS_DIR}/_tree-sitter-grammars_tree-sitter-yaml-0.7.1
    CACHE INTERNAL "")

foreach(required IN ITEMS
        ${OLV_TREE_SITTER_DIR}/src/lib.c
        ${OLV_TREE_SITTER_DIR}/include/tree_sitter/api.h
        ${OLV_TREE_SITTER_JSON_DIR}/src/parser.c
        ${OLV_TREE_SITTER_JSON_DIR}/queries/highlights.scm
        ${OLV_TREE_SITTER_YAML_DIR}/src/parser.c
        ${OLV_TREE_SITTER_YAML_DIR}/src/scanner.c
        ${OLV_TREE_SITTER_YAML_DIR}/queries/highlights.scm)
    if(NOT EXISTS ${required})
        message(FATAL_ERROR
            "The tree-sitter sources are missing (${required} not found).\n"
            "Run ./setup.sh in the repository root: it fetches tree-sitter 0.25.1, "
            "tree-sitter-json 0.24.8 and tree-sitter-yaml 0.7.1 into .deps/npm.")
    endif()
endforeach()

# Third-party C code: its own warnings are not ours to fix, so they are silenced here only.
function(olv_third_party_c target)
    set_target_properties(${target} PROPERTIES
        C_STANDARD 11
        C_STANDARD_REQUIRED ON
        C_EXTENSIONS OFF
        POSITION_INDEPENDENT_CODE ON)
    target_compile_options(${target} PRIVATE -w)
endfunction()

add_library(olv_tree_sitter STATIC ${OLV_TREE_SITTER_DIR}/src/lib.c)
target_include_directories(olv_tree_sitter
    PUBLIC ${OLV_TREE_SITTER_DIR}/include
    PRIVATE ${OLV_TREE_SITTER_DIR}/src)
target_compile_definitions(olv_tree_sitter PRIVATE _POSIX_C_SOURCE=200112L _DEFAULT_SOURCE)
olv_third_party_c(olv_tree_sitter)

add_library(olv_tree_sitter_json STATIC ${OLV_TREE_SITTER_JSON_DIR}/src/parser.c)
target_include_directories(olv_tree_sitter_json PRIVATE ${OLV_TREE_SITTER_JSON_DIR}/src)
olv_third_party_c(olv_tree_sitter_json)

# The YAML scanner keeps rows, columns and indents in 16 bits, so every block that reaches past
# row 32767 of a file turns into one error node. It is compiled from a copy widened to 32 bits,
# whose state serialization also stops before it would write past the runtime's buffer.
file(READ ${OLV_TREE_SITTER_YAML_DIR}/src/scanner.c olv_yaml_scanner)
set(olv_yaml_loop_bound "size < TREE_SITTER_SERIALIZATION_BUFFER_SIZE")
string(FIND "${olv_yaml_scanner}" "${olv_yaml_loop_bound}" olv_yaml_bound_at)
if(olv_yaml_bound_at EQUAL -1)
    message(FATAL_ERROR "tree-sitter-yaml's scanner.c is not the 0.7.1 source this build widens")
endif()
string(REPLACE "int16_t" "int32_t" olv_yaml_scanner "${olv_yaml_scanner}")
string(REPLACE "${olv_yaml_loop_bound}"
    "size + 2 * sizeof(int32_t) <= TREE_SITTER_SERIALIZATION_BUFFER_SIZE"
    olv_yaml_scanner "${olv_yaml_scanner}")
set(olv_yaml_scanner_copy ${CMAKE_BINARY_DIR}/third-party/tree-sitter-yaml/scanner.c)
file(WRITE ${olv_yaml_scanner_copy}.new "${olv_yaml_scanner}")
configure_file(${olv_yaml_scanner_copy}.new ${olv_yaml_scanner_copy} COPYONLY)

add_library(olv_tree_sitter_yaml STATIC
    ${OLV_TREE_SITTER_YAML_DIR}/src/parser.c
    ${olv_yaml_scanner_copy})
target_include_directories(olv_tree_sitter_yaml PRIVATE ${OLV_TREE_SITTER_YAML_DIR}/src)
olv_third_party_c(olv_tree_sitter_yaml)

# Markdown and its inline grammar: test-only (the editor downloads them like other grammars),
# the host and embedded grammars of the session and injection-layer tests.
set(OLV_TREE_SITTER_MARKDOWN_DIR
    ${OLV_NPM_DEPS_DIR}/_tree-sitter-grammars_tree-sitter-markdown-0.3.2 CACHE INTERNAL "")
foreach(grammar IN ITEMS markdown markdown-inline)
    set(dir ${OLV_TREE_SITTER_MARKDOWN_DIR}/tree-sitter-${grammar})
    if(NOT EXISTS ${dir}/src/parser.c OR NOT EXISTS ${dir}/src/scanner.c)
        message(FATAL_ERROR
            "The Markdown grammar sources are missing (${dir}/src not found).\n"
            "Run ./setup.sh in the repository root: it fetches tree-sitter-markdown 0.3.2.")
    endif()
    string(REPLACE "-" "_" target olv_tree_sitter_${grammar})
    add_library(${target} STATIC EXCLUDE_FROM_ALL ${dir}/src/parser.c ${dir}/src/scanner.c)
    target_include_directories(${target} PRIVATE ${dir}/src)
    olv_third_party_c(${target})
endforeach()
