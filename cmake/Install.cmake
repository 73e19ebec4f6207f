# A self-contained folder: the programs in bin/ with their services folder beside them (bin/indexer/, which
# stays writable when the prefix is the user's own), the desktop entry template, its icon and the script that
# puts both into the user's menu. `cpack -G TGZ` packs the same folder.
set(LARKSPIRE_DESKTOP_ID example.larkspire.Indexer)

install(TARGETS larkspire-indexer RUNTIME DESTINATION bin)
if(TARGET larkspire-ping)
  install(TARGETS larkspire-ping RUNTIME DESTINATION bin)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/examples/indexnow.txt DESTINATION bin/indexer)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/desktop/install-desktop-entry.sh
  DESTINATION bin RENAME larkspire-install-desktop-entry)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${LARKSPIRE_DESKTOP_ID}.desktop.in DESTINATION share/larkspire-indexer)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/${LARKSPIRE_DESKTOP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME larkspire-indexer)
set(CPACK_PACKAGE_VENDOR "Larkspire")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Asks web indexing services to visit your websites")
include(CPack)
