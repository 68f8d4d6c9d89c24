# Sourced by the install tests. An install writes the build tree's install_manifest.txt (and
# install_directories.txt), which the uninstall target reads: the developer's own are kept
# aside before a test installs and put back after it.
install_records=(install_manifest.txt install_directories.txt)

keep_install_records() { # build folder, folder to keep them in
    local name
    for name in "${install_records[@]}"; do
        if [ -e "$1/$name" ]; then cp -p "$1/$name" "$2/kept-$name"; fi
    done
}

restore_install_records() { # build folder, folder they were kept in
    local name
    for name in "${install_records[@]}"; do
        rm -f "$1/$name"
        if [ -e "$2/kept-$name" ]; then mv "$2/kept-$name" "$1/$name"; fi
    done
}
