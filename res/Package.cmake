# make package: a Debian package of the installed program (cpack -G DEB in a build of its own).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brunovelt)
set(CPACK_PACKAGE_VENDOR Halsk)
set(CPACK_PACKAGE_CONTACT "Halsk <quarn@example.jp>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "formula calculator that keeps a record of its answers")
# The long description, in lines of at most 80 characters as Debian wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Brunovelt is a formula calculator for Japanese users. Its document is a"
    "plain-text calculation sheet: type a formula such as 3+5*2 or ROUND(2.345,2),"
    "press Enter, and the answer is written on a new line below, so that the sheet"
    "grows into a record of formulas and answers. Full-width input counts as"
    "half-width; sheets are code page 932 text. brunovelt --calc answers formulas"
    "without a window.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON) # the program and the help reader
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.jp/soft/quarn/)
# The libraries come from dpkg-shlibdeps; the Japanese fonts the sheet and the dialogs name and
# Qt's Japanese button texts are read at run time, so it cannot see them. Any Japanese Gothic
# will do (the program takes the first it finds), IPA's as the default.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic")
# The Wayland platform plugin, for a native window in a Wayland session (without it the window
# opens only through XWayland).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
include(CPack)
