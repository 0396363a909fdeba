# The Windows build (scripts/build-windows) packed as the user gets it:
# wavestring-VERSION-win64.zip, in the build folder, holding both programs,
# SDL.dll, the licences, where SDL's source comes from, a read-me in each
# language and the message catalogues in locale/, with no folder around them
# (Explorer's "Extract All" makes one).
install(TARGETS wavestring wavestring_paced RUNTIME DESTINATION .)
install(FILES ${WAVESTRING_WINDOWS_SDL}/bin/SDL.dll DESTINATION .)
foreach(language ${WAVESTRING_LANGUAGES})
  install(FILES ${CMAKE_BINARY_DIR}/locale/${language}/LC_MESSAGES/wavestring.mo
    DESTINATION locale/${language}/LC_MESSAGES)
endforeach()

# "libsdl1.2 1.2.15+dfsg2-8": Debian's source package and its version.
file(STRINGS ${WAVESTRING_WINDOWS_SDL}/SOURCE sdl_source LIMIT_COUNT 1)
separate_arguments(sdl_source)
list(GET sdl_source 0 SDL_SOURCE_PACKAGE)
list(GET sdl_source 1 SDL_SOURCE_VERSION)
file(STRINGS ${WAVESTRING_WINDOWS_SDL}/CONFIGURE SDL_CONFIGURE LIMIT_COUNT 1)

# Texts with Windows line ends, which every Notepad shows as lines.
set(zip_texts ${CMAKE_BINARY_DIR}/zip_texts)
# The read-mes, data/NAME-windows.txt as NAME.txt: README.txt in English,
# LISEZMOI.txt in French (UTF-8, which the Notepad of Windows 10 and 11 reads).
file(GLOB readmes RELATIVE ${PROJECT_SOURCE_DIR}/data CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/*-windows.txt)
foreach(readme ${readmes})
  string(REPLACE "-windows.txt" ".txt" name ${readme})
  configure_file(data/${readme} ${zip_texts}/${name} @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${zip_texts}/${name} DESTINATION .)
endforeach()
configure_file(data/SDL-source.txt ${zip_texts}/SDL-source.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(LICENSE ${zip_texts}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${WAVESTRING_WINDOWS_SDL}/COPYING ${zip_texts}/SDL-COPYING.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${zip_texts}/LICENSE.txt ${zip_texts}/SDL-COPYING.txt ${zip_texts}/SDL-source.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME wavestring)
set(CPACK_PACKAGE_FILE_NAME wavestring-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
