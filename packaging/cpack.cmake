# Package metadata for CPack. Only the Debian generator is set up: `cpack -G DEB` in the build
# folder makes varadadid_<version>_<arch>.deb from the install rules.
set(CPACK_PACKAGE_NAME varadadid)
# The version as the program states it: project()'s.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "varadadid")
set(CPACK_PACKAGE_CONTACT "Seed fc026039 maintainers <maintainers@users.noreply.c-seed-fc026039.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "りろ日記: a countdown gadget to the expected due date")
set(CPACK_PACKAGE_DESCRIPTION "\
A small desktop gadget for an expectant mother (Japanese user interface).
It shows the days left until the expected due date, the pregnancy week,
day and month, and a calendar of the pregnancy months and the Day of the
Dog (戌の日) that can be saved as text.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Library dependencies come from dpkg-shlibdeps; the windows' Japanese text asks for IPA Gothic,
# which the program substitutes for the MS fonts it names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (standard dialogs, message-box buttons) in the user's language come from
# qt6-translations-l10n.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")

include(CPack)
