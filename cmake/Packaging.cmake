# The Debian package, made by CPack from the install rules: quillory_<version>_amd64.deb.
# Its dependencies come from the shared libraries the executable links (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillory)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillory developers")
set(CPACK_PACKAGE_CONTACT "The Quillory developers <quillory@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fast, byte-exact text and binary file editor")
# The summary above is the first line; these lines follow it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillory opens any file whole. A file of printable characters, tabs and line\n\
ends is edited as TEXT (UTF-8 or Windows-1252); any other file is edited as\n\
BINARY, one character per byte, and saved back byte for byte. It also\n\
retrieves documents over http, ftp and gopher, splits and joins files and\n\
wipes files.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUILLORY_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The default font face is found through fontconfig; a system without fonts shows no text.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
