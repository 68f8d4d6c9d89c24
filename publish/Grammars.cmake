# The grammars the editor downloads from the build's own index, compiled from the npm
# tarballs that setup.sh pins. Each becomes a shared library exporting its language function,
# built with the editor's compiler and flags (ninja builds them in parallel, once per build
# tree), then packed with its queries by olv-publish.
set(olv_npm ${OLV_NPM_DEPS_DIR})
set(olv_publish_manifest_text "")
set(olv_publish_inputs "")
set(olv_publish_grammar_targets "")

# olv_grammar(NAME name VERSION v [REVISION n] SOURCE folder-with-parser.c
#             [SYMBOL function] LANGUAGES ids… HIGHLIGHTS files… [INJECTIONS files…]
#             [REQUIRES grammar names…])
function(olv_grammar)
    cmake_parse_arguments(G "" "NAME;VERSION;REVISION;SOURCE;SYMBOL"
        "LANGUAGES;HIGHLIGHTS;INJECTIONS;REQUIRES" ${ARGN})
    if(NOT G_SYMBOL)
        set(G_SYMBOL tree_sitter_${G_NAME})
    endif()
    if(NOT G_REVISION)
        set(G_REVISION 1)
    endif()
    set(sources ${G_SOURCE}/parser.c)
    if(EXISTS ${G_SOURCE}/scanner.c)
        list(APPEND sources ${G_SOURCE}/scanner.c)
    endif()
    foreach(file IN LISTS sources G_HIGHLIGHTS G_INJECTIONS)
        if(NOT EXISTS ${file})
            message(FATAL_ERROR "The ${G_NAME} grammar's ${file} is missing: run ./setup.sh")
        endif()
    endforeach()

    set(target olv_grammar_${G_NAME})
    add_library(${target} MODULE EXCLUDE_FROM_ALL ${sources})
    set_target_properties(${target} PROPERTIES
        PREFIX "lib"
        OUTPUT_NAME tree-sitter-${G_NAME}
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/libraries
        # Only the language function is the library's interface.
        C_VISIBILITY_PRESET hidden)
    olv_third_party_c(${target})
    target_include_directories(${target} PRIVATE ${G_SOURCE})
    # A symbol that nothing defines fails the build here, not the editor's dlopen later.
    target_link_options(${target} PRIVATE -Wl,-z,defs)

    string(APPEND olv_publish_manifest_text
        "grammar ${G_NAME}\nversion ${G_VERSION}\nrevision ${G_REVISION}\n"
        "symbol ${G_SYMBOL}\nlibrary $<TARGET_FILE:${target}>\n")
    foreach(language IN LISTS G_LANGUAGES)
        string(APPEND olv_publish_manifest_text "language ${language}\n")
    endforeach()
    foreach(file IN LISTS G_HIGHLIGHTS)
        string(APPEND olv_publish_manifest_text "highlights ${file}\n")
    endforeach()
    foreach(file IN LISTS G_INJECTIONS)
        string(APPEND olv_publish_manifest_text "injections ${file}\n")
    endforeach()
    foreach(required IN LISTS G_REQUIRES)
        string(APPEND olv_publish_manifest_text "requires ${required}\n")
    endforeach()
    string(APPEND olv_publish_manifest_text "end\n")
    set(olv_publish_manifest_text "${olv_publish_manifest_text}" PARENT_SCOPE)
    set(olv_publish_inputs ${olv_publish_inputs} ${G_HIGHLIGHTS} ${G_INJECTIONS} PARENT_SCOPE)
    set(olv_publish_grammar_targets ${olv_publish_grammar_targets} ${target} PARENT_SCOPE)
endfunction()

set(js ${olv_npm}/tree-sitter-javascript-0.25.0)
set(ts ${olv_npm}/tree-sitter-typescript-0.23.2)
set(md ${OLV_TREE_SITTER_MARKDOWN_DIR})
set(php ${olv_npm}/tree-sitter-php-0.24.2)

olv_grammar(NAME bash VERSION 0.25.1 SOURCE ${olv_npm}/tree-sitter-bash-0.25.1/src
    LANGUAGES bash HIGHLIGHTS ${olv_npm}/tree-sitter-bash-0.25.1/queries/highlights.scm)
olv_grammar(NAME c VERSION 0.24.1 SOURCE ${olv_npm}/tree-sitter-c-0.24.1/src
    LANGUAGES c HIGHLIGHTS ${olv_npm}/tree-sitter-c-0.24.1/queries/highlights.scm)
# Queries are joined in the order their package lists them: C++ = C + C++, TypeScript =
# TypeScript + JavaScript, TSX = TypeScript + JSX + JavaScript.
olv_grammar(NAME cpp VERSION 0.23.4 SOURCE ${olv_npm}/tree-sitter-cpp-0.23.4/src
    LANGUAGES cpp
    HIGHLIGHTS ${olv_npm}/tree-sitter-c-0.24.1/queries/highlights.scm
        ${olv_npm}/tree-sitter-cpp-0.23.4/queries/highlights.scm
    INJECTIONS ${olv_npm}/tree-sitter-cpp-0.23.4/queries/injections.scm)
olv_grammar(NAME css VERSION 0.25.0 SOURCE ${olv_npm}/tree-sitter-css-0.25.0/src
    LANGUAGES css HIGHLIGHTS ${olv_npm}/tree-sitter-css-0.25.0/queries/highlights.scm)
olv_grammar(NAME go VERSION 0.25.0 SOURCE ${olv_npm}/tree-sitter-go-0.25.0/src
    LANGUAGES go HIGHLIGHTS ${olv_npm}/tree-sitter-go-0.25.0/queries/highlights.scm)
# HTML's script and style elements are coloured by the JavaScript and CSS grammars.
olv_grammar(NAME html VERSION 0.23.2 REVISION 2 SOURCE ${olv_npm}/tree-sitter-html-0.23.2/src
    LANGUAGES html
    HIGHLIGHTS ${olv_npm}/tree-sitter-html-0.23.2/queries/highlights.scm
    INJECTIONS ${olv_npm}/tree-sitter-html-0.23.2/queries/injections.scm)
olv_grammar(NAME java VERSION 0.23.5 SOURCE ${olv_npm}/tree-sitter-java-0.23.5/src
    LANGUAGES java HIGHLIGHTS ${olv_npm}/tree-sitter-java-0.23.5/queries/highlights.scm)
olv_grammar(NAME javascript VERSION 0.25.0 SOURCE ${js}/src
    LANGUAGES javascript
    HIGHLIGHTS ${js}/queries/highlights.scm ${js}/queries/highlights-jsx.scm
    INJECTIONS ${js}/queries/injections.scm)
olv_grammar(NAME typescript VERSION 0.23.2 SOURCE ${ts}/typescript/src
    LANGUAGES typescript
    HIGHLIGHTS ${ts}/queries/highlights.scm ${js}/queries/highlights.scm
    INJECTIONS ${js}/queries/injections.scm)
olv_grammar(NAME tsx VERSION 0.23.2 SOURCE ${ts}/tsx/src
    LANGUAGES tsx
    HIGHLIGHTS ${ts}/queries/highlights.scm ${js}/queries/highlights-jsx.scm
        ${js}/queries/highlights.scm
    INJECTIONS ${js}/queries/injections.scm)
# PHP's text outside <?php … ?> is HTML.
olv_grammar(NAME php VERSION 0.24.2 REVISION 2 SOURCE ${php}/php/src
    LANGUAGES php
    HIGHLIGHTS ${php}/queries/highlights.scm
    INJECTIONS ${php}/queries/injections.scm ${php}/queries/injections-text.scm)
olv_grammar(NAME python VERSION 0.25.0 SOURCE ${olv_npm}/tree-sitter-python-0.25.0/src
    LANGUAGES python HIGHLIGHTS ${olv_npm}/tree-sitter-python-0.25.0/queries/highlights.scm)
olv_grammar(NAME ruby VERSION 0.23.1 SOURCE ${olv_npm}/tree-sitter-ruby-0.23.1/src
    LANGUAGES ruby HIGHLIGHTS ${olv_npm}/tree-sitter-ruby-0.23.1/queries/highlights.scm)
olv_grammar(NAME rust VERSION 0.24.0 SOURCE ${olv_npm}/tree-sitter-rust-0.24.0/src
    LANGUAGES rust
    HIGHLIGHTS ${olv_npm}/tree-sitter-rust-0.24.0/queries/highlights.scm
    INJECTIONS ${olv_npm}/tree-sitter-rust-0.24.0/queries/injections.scm)
olv_grammar(NAME toml VERSION 0.7.0
    SOURCE ${olv_npm}/_tree-sitter-grammars_tree-sitter-toml-0.7.0/src
    LANGUAGES toml
    HIGHLIGHTS ${olv_npm}/_tree-sitter-grammars_tree-sitter-toml-0.7.0/queries/highlights.scm)
olv_grammar(NAME xml VERSION 0.7.0
    SOURCE ${olv_npm}/_tree-sitter-grammars_tree-sitter-xml-0.7.0/xml/src
    LANGUAGES xml
    HIGHLIGHTS ${olv_npm}/_tree-sitter-grammars_tree-sitter-xml-0.7.0/queries/xml/highlights.scm)
olv_grammar(NAME sql VERSION 0.3.11 SOURCE ${olv_npm}/_derekstride_tree-sitter-sql-0.3.11/src
    LANGUAGES sql
    HIGHLIGHTS ${olv_npm}/_derekstride_tree-sitter-sql-0.3.11/queries/highlights.scm)
# The Kotlin package ships no queries: ours.
olv_grammar(NAME kotlin VERSION 1.1.0
    SOURCE ${olv_npm}/_tree-sitter-grammars_tree-sitter-kotlin-1.1.0/src
    LANGUAGES kotlin HIGHLIGHTS ${CMAKE_CURRENT_SOURCE_DIR}/queries/kotlin/highlights.scm)
olv_grammar(NAME swift VERSION 0.7.1 SOURCE ${olv_npm}/tree-sitter-swift-0.7.1/src
    LANGUAGES swift
    HIGHLIGHTS ${olv_npm}/tree-sitter-swift-0.7.1/queries/highlights.scm
    INJECTIONS ${olv_npm}/tree-sitter-swift-0.7.1/queries/injections.scm)
olv_grammar(NAME make VERSION 1.1.1 SOURCE ${olv_npm}/tree-sitter-make-1.1.1/src
    LANGUAGES make HIGHLIGHTS ${olv_npm}/tree-sitter-make-1.1.1/queries/highlights.scm)
# Markdown colours its inline text with a companion grammar installed along with it.
olv_grammar(NAME markdown VERSION 0.3.2 REVISION 2 SOURCE ${md}/tree-sitter-markdown/src
    LANGUAGES markdown
    HIGHLIGHTS ${md}/tree-sitter-markdown/queries/highlights.scm
    INJECTIONS ${md}/tree-sitter-markdown/queries/injections.scm
    REQUIRES markdown_inline)
olv_grammar(NAME markdown_inline VERSION 0.3.2 SOURCE ${md}/tree-sitter-markdown-inline/src
    HIGHLIGHTS ${md}/tree-sitter-markdown-inline/queries/highlights.scm
    INJECTIONS ${md}/tree-sitter-markdown-inline/queries/injections.scm)

# The formatter: Prettier's own bundle, as the engine evaluates it.
set(olv_prettier ${olv_npm}/prettier-3.10.2)
set(olv_prettier_scripts standalone.js plugins/estree.js plugins/babel.js plugins/typescript.js
    plugins/markdown.js plugins/yaml.js plugins/html.js plugins/postcss.js)
string(APPEND olv_publish_manifest_text "formatter prettier\nversion 3.10.2\nfolder ${olv_prettier}\n")
foreach(script IN LISTS olv_prettier_scripts)
    string(APPEND olv_publish_manifest_text "script ${script}\n")
    list(APPEND olv_publish_inputs ${olv_prettier}/${script})
endforeach()
string(APPEND olv_publish_manifest_text "file LICENSE\nend\n")
list(APPEND olv_publish_inputs ${olv_prettier}/LICENSE)

set(olv_publish_manifest ${CMAKE_CURRENT_BINARY_DIR}/index-manifest.txt)
file(GENERATE OUTPUT ${olv_publish_manifest} CONTENT "${olv_publish_manifest_text}")
set(olv_published_outputs
    ${OLV_PUBLISHED_INDEX_DIR}/grammars/index.json
    ${OLV_PUBLISHED_INDEX_DIR}/grammars/index.json.sig
    ${OLV_PUBLISHED_INDEX_DIR}/formatters/index.json
    ${OLV_PUBLISHED_INDEX_DIR}/formatters/index.json.sig)
add_custom_command(
    OUTPUT ${olv_published_outputs}
    COMMAND olv-publish --manifest ${olv_publish_manifest} --secret-key ${OLV_INDEX_SECRET_KEY}
        --out ${OLV_PUBLISHED_INDEX_DIR}
    DEPENDS olv-publish ${olv_publish_grammar_targets} ${olv_publish_inputs}
        ${olv_publish_manifest} ${OLV_INDEX_SECRET_KEY}
    COMMENT "Publishing the signed grammar and formatter indexes"
    VERBATIM)
add_custom_target(olv_published_index ALL DEPENDS ${olv_published_outputs})

# ---- installation of the published indexes (publish/ owns these rules) ----
# The installed editor finds them two levels above its folder, in share/orlune-viewer.
install(DIRECTORY ${OLV_PUBLISHED_INDEX_DIR}/grammars ${OLV_PUBLISHED_INDEX_DIR}/formatters
    DESTINATION share/orlune-viewer)
olv_install_directory(share/orlune-viewer)
# ---- end of the published indexes' installation ----
