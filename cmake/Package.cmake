# The Debian package: `cpack -G DEB` in the build tree makes orlune-viewer_<version>_<arch>.deb,
# which installs under /usr, the file-manager module in Nautilus's own folder
# (/usr/lib/<triplet>/nautilus/extensions-4, the prefix's own place for it), and is installed
# with `apt install ./orlune-viewer_….deb`. The libraries it links are found by dpkg-shlibdeps;
# what it runs or loads at run time is listed by hand.
set(CPACK_PACKAGE_NAME orlune-viewer)
set(CPACK_PACKAGE_VENDOR "Orlune Viewer")
set(CPACK_PACKAGE_CONTACT "Orlune Viewer developers <dev@orlune.app>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plain-text editor that shows a file as it is")
set(CPACK_PACKAGE_DESCRIPTION
    "Orlune Viewer opens any text file in the encoding and line endings it already has and saves
it back the same way. It comes with olv, the command-line program that hands files to the
editor (and waits for them, as git's editor), and a GNOME Files module whose context menus open
text files in the editor and create new text files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the linked libraries; libqt6svg6 also carries the SVG image and
# icon-engine plugins Qt loads for the icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# The default editor font, the CJK glyphs, Qt's own dialogs in the user's language, the
# administrator prompt, the desktop's opener, and the file manager the module is for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-naver-d2coding, fonts-noto-cjk, qt6-translations-l10n, pkexec, xdg-utils, nautilus")
include(CPack)
