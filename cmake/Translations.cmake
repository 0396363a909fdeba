# The desktop programs' translations, made from po/ by msgfmt: a catalogue
# for each language of po/LINGUAS in locale/LANG/LC_MESSAGES/wavestring.mo of
# the build folder, where the programs find it (src/messages.h), and the
# menu entries with their translated names and comments merged in.
find_program(MSGFMT msgfmt REQUIRED)

file(STRINGS ${PROJECT_SOURCE_DIR}/po/LINGUAS WAVESTRING_LANGUAGES REGEX "^[^#]")
set(WAVESTRING_CATALOGUES "")
foreach(language ${WAVESTRING_LANGUAGES})
  set(catalogue ${CMAKE_BINARY_DIR}/locale/${language}/LC_MESSAGES/wavestring.mo)
  add_custom_command(OUTPUT ${catalogue}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/locale/${language}/LC_MESSAGES
    COMMAND ${MSGFMT} --check --output-file=${catalogue} ${PROJECT_SOURCE_DIR}/po/${language}.po
    DEPENDS ${PROJECT_SOURCE_DIR}/po/${language}.po VERBATIM)
  list(APPEND WAVESTRING_CATALOGUES ${catalogue})
endforeach()

set(WAVESTRING_MENU_ENTRIES "")
if(NOT WIN32)
  set(po_files "")
  foreach(language ${WAVESTRING_LANGUAGES})
    list(APPEND po_files ${PROJECT_SOURCE_DIR}/po/${language}.po)
  endforeach()
  foreach(program wavestring wavestring_paced)
    set(entry ${CMAKE_BINARY_DIR}/${program}.desktop)
    add_custom_command(OUTPUT ${entry}
      COMMAND ${MSGFMT} --desktop --template=${PROJECT_SOURCE_DIR}/data/${program}.desktop.in
        -d ${PROJECT_SOURCE_DIR}/po --output-file=${entry}
      DEPENDS ${PROJECT_SOURCE_DIR}/data/${program}.desktop.in ${PROJECT_SOURCE_DIR}/po/LINGUAS ${po_files} VERBATIM)
    list(APPEND WAVESTRING_MENU_ENTRIES ${entry})
  endforeach()
endif()

add_custom_target(translations ALL DEPENDS ${WAVESTRING_CATALOGUES} ${WAVESTRING_MENU_ENTRIES})
# A program built on its own (make run) finds its texts too.
add_dependencies(wavestring translations)
add_dependencies(wavestring_paced translations)
