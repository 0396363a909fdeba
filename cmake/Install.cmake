# Installing like a desktop program: both programs in bin/, a menu entry and
# a section 6 man page for each, one icon, the licence and the changelog; and
# a Debian package of the same. The translations too: a message catalogue for
# each language of po/LINGUAS, where gettext looks for them
# (share/locale/LANG/LC_MESSAGES), the menu entries' translated names and
# comments, and the man pages of man/LANG/ in share/man/LANG/man6.
include(GNUInstallDirs)

install(TARGETS wavestring wavestring_paced RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${WAVESTRING_MENU_ENTRIES} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(language ${WAVESTRING_LANGUAGES})
  install(FILES ${CMAKE_BINARY_DIR}/locale/${language}/LC_MESSAGES/wavestring.mo
    DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES)
endforeach()
install(FILES data/wavestring.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Man pages and the changelog are installed compressed, as Debian wants
# them; -n leaves out the time, so the same sources give the same files.
find_program(GZIP gzip REQUIRED)
# man/NAME.6 in English, man/LANG/NAME.6 in another language.
set(compressed "")
file(GLOB_RECURSE man_pages RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.6)
foreach(source ${man_pages} data/changelog)
  get_filename_component(folder ${source} DIRECTORY)
  add_custom_command(OUTPUT ${source}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/${source} > ${source}.gz
    DEPENDS ${source})
  list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/${source}.gz)
  string(REGEX REPLACE "^man/?" "" language "${folder}")
  if(source MATCHES "^man/" AND language STREQUAL "")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${source}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  elseif(source MATCHES "^man/")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${source}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${language}/man6)
  endif()
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/data/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
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
