# Writing the desktop entry's Exec lines. Used at install time (the program's path is known only
# then) and by the tests, with `cmake -DOLV_APP=<program> -DOLV_ENTRY_TEMPLATE=<in>
# -DOLV_ENTRY_OUTPUT=<out> -P DesktopEntry.cmake`.

# One argument of an Exec line. Left as it is unless it holds a character the desktop-entry
# format reserves: xdg-utils' generic opener splits the line at blanks and runs the first word
# as it is, quotes included, so a quoted path that needs no quotes cannot be run there. A path
# that needs them is quoted with `"`, `` ` ``, `$` and `\` escaped inside. "%" is doubled (a
# literal percent sign), and last the key file's own escape doubles every backslash.
function(olv_desktop_exec_argument out argument)
    if(argument MATCHES "[\n\r]")
        message(FATAL_ERROR "a desktop entry cannot start a program whose path holds a line break: ${argument}")
    endif()
    set(result "${argument}")
    if(result MATCHES "[ \t\"'\\\\<>~|&;$*?#()`]")
        string(REPLACE "\\" "\\\\" result "${result}")
        string(REPLACE "\"" "\\\"" result "${result}")
        string(REPLACE "`" "\\`" result "${result}")
        string(REPLACE "$" "\\$" result "${result}")
        set(result "\"${result}\"")
    endif()
    string(REPLACE "%" "%%" result "${result}")
    string(REPLACE "\\" "\\\\" result "${result}")
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

# A string value of the key file (TryExec): only backslashes are escaped.
function(olv_desktop_string_value out value)
    string(REPLACE "\\" "\\\\" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

# Writes `output` from `template`, whose @OLV_APP_EXEC@ becomes the Exec form of `program` and
# @OLV_APP_TRY_EXEC@ its TryExec value.
function(olv_write_desktop_entry template output program)
    olv_desktop_exec_argument(OLV_APP_EXEC "${program}")
    olv_desktop_string_value(OLV_APP_TRY_EXEC "${program}")
    configure_file("${template}" "${output}" @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED OLV_ENTRY_OUTPUT)
    olv_write_desktop_entry("${OLV_ENTRY_TEMPLATE}" "${OLV_ENTRY_OUTPUT}" "${OLV_APP}")
endif()
