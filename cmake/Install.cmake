# Two layouts from one set of rules, told apart by component:
# - `cmake --install` and `cpack -G TGZ`: one self-contained folder, the programs in bin/ with their services folder
#   beside them (bin/indexer/, which stays writable when the prefix is the user's own), the desktop entry template,
#   its icon and the script that puts both into the user's menu;
# - `cpack -G DEB`: the programs in /usr/bin, the sample services in /usr/share/larkspire-indexer/indexer/ (copied
#   into the user's data folder on first start), the desktop entry in /usr/share/applications.
# Both get the man pages, the bash completion and the icon.
set(LARKSPIRE_DESKTOP_ID example.larkspire.Indexer)

install(TARGETS larkspire-indexer RUNTIME DESTINATION bin COMPONENT programs)
if(TARGET larkspire-ping)
  install(TARGETS larkspire-ping RUNTIME DESTINATION bin COMPONENT programs)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/examples/indexnow.txt
  DESTINATION share/larkspire-indexer/indexer COMPONENT programs)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${LARKSPIRE_DESKTOP_ID}.svg
  DESTINATION share/icons/hicolor/scalable/apps COMPONENT programs)
install(FILES ${PROJECT_SOURCE_DIR}/completion/larkspire-ping
  DESTINATION share/bash-completion/completions COMPONENT programs)

# Man pages take the project's version from man/*.1.in and are installed compressed, as Debian keeps them; -n
# leaves the build's time out, so the bytes repeat.
set(LARKSPIRE_MAN_PAGES larkspire-indexer.1 larkspire-ping.1)
set(compressed_pages "")
foreach(page IN LISTS LARKSPIRE_MAN_PAGES)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.in ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
    COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/man/${page} > ${PROJECT_BINARY_DIR}/man/${page}.gz
    DEPENDS ${PROJECT_BINARY_DIR}/man/${page} VERBATIM)
  list(APPEND compressed_pages ${PROJECT_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(larkspire_man_pages ALL DEPENDS ${compressed_pages})
install(FILES ${compressed_pages} DESTINATION share/man/man1 COMPONENT programs)

# A Debian package's copyright file and its changelog, compressed as Debian keeps it.
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(larkspire_debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DESTINATION share/doc/larkspire-indexer COMPONENT system EXCLUDE_FROM_ALL)

install(FILES ${PROJECT_SOURCE_DIR}/examples/indexnow.txt DESTINATION bin/indexer COMPONENT portable)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/desktop/install-desktop-entry.sh
  DESTINATION bin RENAME larkspire-install-desktop-entry COMPONENT portable)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${LARKSPIRE_DESKTOP_ID}.desktop.in
  DESTINATION share/larkspire-indexer COMPONENT portable)

# The package's entry names the program on the PATH. Left out of a plain `cmake --install`.
set(LARKSPIRE_INSTALLED_EXECUTABLE larkspire-indexer)
configure_file(${PROJECT_SOURCE_DIR}/desktop/${LARKSPIRE_DESKTOP_ID}.desktop.in
  ${PROJECT_BINARY_DIR}/desktop/${LARKSPIRE_DESKTOP_ID}.desktop @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/desktop/${LARKSPIRE_DESKTOP_ID}.desktop
  DESTINATION share/applications COMPONENT system EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME larkspire-indexer)
set(CPACK_PACKAGE_VENDOR "Larkspire")
set(CPACK_PACKAGE_CONTACT "Larkspire <support@larkspire.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Asks web indexing services to visit your websites")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Expands a file of websites into a services file of URL templates and requests every URL once\n"
  " with an HTTP or HTTPS GET from a pool of worker threads, showing a status per URL. Comes with\n"
  " a window program and larkspire-ping, which runs the same table without a screen.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://docs.larkspire.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as a plugin, so the library scan cannot see it: without it the window has no icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# The package takes the programs and the system-wide files, not the self-contained folder's.
set(LARKSPIRE_DEB_PROJECTS
  "${PROJECT_BINARY_DIR};${PROJECT_NAME};programs;/;${PROJECT_BINARY_DIR};${PROJECT_NAME};system;/")
configure_file(${PROJECT_SOURCE_DIR}/cmake/CPackGenerators.cmake.in ${PROJECT_BINARY_DIR}/CPackGenerators.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackGenerators.cmake)
include(CPack)
