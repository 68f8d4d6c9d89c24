# Which folders an install makes, so that the uninstall removes those and no others. Each folder
# the rules install into is named once with olv_install_directory(<relative folder>); the
# recording script runs before every other install rule and notes, for each of them and their
# parents up to the prefix, those that do not exist yet. The notes of several installs add up.

function(olv_install_directory directory)
    set_property(GLOBAL APPEND PROPERTY OLV_INSTALL_DIRECTORIES "${directory}")
endfunction()

# Writes the recording script; called once every install rule is known. The script itself is
# installed first (install(SCRIPT) of the same path, before the subfolders).
function(olv_write_install_directories_script script record)
    get_property(directories GLOBAL PROPERTY OLV_INSTALL_DIRECTORIES)
    list(REMOVE_DUPLICATES directories)
    file(WRITE "${script}" "# Generated: the folders the install rules of this build tree install into.
set(olv_directories \"${directories}\")
set(olv_record \"${record}\")
set(olv_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
set(olv_created)
if(EXISTS \"\${olv_record}\")
    file(STRINGS \"\${olv_record}\" olv_created)
endif()
foreach(olv_directory IN LISTS olv_directories)
    if(IS_ABSOLUTE \"\${olv_directory}\")
        set(olv_path \"\$ENV{DESTDIR}\${olv_directory}\")
    else()
        set(olv_path \"\${olv_root}/\${olv_directory}\")
    endif()
    while(NOT EXISTS \"\${olv_path}\" AND NOT olv_path STREQUAL olv_root)
        list(APPEND olv_created \"\${olv_path}\")
        get_filename_component(olv_parent \"\${olv_path}\" DIRECTORY)
        if(olv_parent STREQUAL olv_path)
            break()
        endif()
        set(olv_path \"\${olv_parent}\")
    endwhile()
endforeach()
list(REMOVE_DUPLICATES olv_created)
list(JOIN olv_created \"\\n\" olv_text)
file(WRITE \"\${olv_record}\" \"\${olv_text}\\n\")
")
endfunction()
