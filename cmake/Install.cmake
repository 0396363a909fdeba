# Installing like a desktop program: both programs in bin/, a menu entry and
# a section 6 man page for each, one icon, the licence and the changelog; and
# a Debian package of the same.
include(GNUInstallDirs)

install(TARGETS wavestring wavestring_paced RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/wavestring.desktop data/wavestring_paced.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/wavestring.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Man pages and the changelog are installed compressed, as Debian wants
# them; -n leaves out the time, so the same sources give the same files.
find_program(GZIP gzip REQUIRED)
set(compressed "")
foreach(source man/wavestring.6 man/wavestring_paced.6 data/changelog)
  get_filename_component(file ${source} NAME)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/${source} > ${file}.gz
    DEPENDS ${source})
  list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/wavestring.6.gz ${CMAKE_CURRENT_BINARY_DIR}/wavestring_paced.6.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

set(CPACK_PACKAGE_NAME wavestring)
set(CPACK_PACKAGE_CONTACT "wavestring developers <wavestring@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "damped elastic string, plucked with the mouse and drawn live")
set(CPACK_PACKAGE_DESCRIPTION "\
Two small SDL 1.2 programs that simulate a damped elastic string, a closed
loop of 640 points drawn across a 640x480 window. Pluck it with the mouse,
anchor it, and watch the waves run, wrap round and fade. wavestring has
anchors and a coupling divisor, wavestring_paced a frame pause you set.")
# Debian keeps the games section for programs in /usr/games.
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps names the SDL 1.2 runtime (libsdl1.2debian, which
# libsdl1.2-compat-shim also provides) and the C and C++ libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
