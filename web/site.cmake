# Writes the site into SITE from the files built in FILES. Every file that a
# page loads is named after its content, name.HASH.ext with HASH the first
# 16 hex digits of its SHA-256, so that a name always stands for the same
# content and a browser may keep it for good. Only the HTML, the manifest
# and sw.js keep their names: they are the entry points, and refer to the
# others by their new names. sw.js gets the SHA-256 of every file it keeps,
# and the build's name: the start of a SHA-256 over all of them.
#   cmake -DFILES=dir -DSITE=dir -DTEMPLATE=sw.js.in [-DMARK=word] -P site.cmake
# MARK, when given, is added as a comment to each script and style sheet.
file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE})

# A file's references are rewritten before its hash is taken: the .wasm
# and the pictures first, then the scripts and the style sheet that may
# name them, then the HTML and the manifest. A reference is a name in
# double quotes ("wavestring.wasm" in the program's .js, src="page.js").
set(renames "")
function(write_file name)
  get_filename_component(extension ${name} LAST_EXT)
  if(extension MATCHES "^\\.(js|css|html|webmanifest)$")
    file(READ ${FILES}/${name} content)
    foreach(rename ${renames})
      string(REPLACE ">" ";" pair ${rename})
      list(GET pair 0 from)
      list(GET pair 1 to)
      string(REPLACE "\"${from}\"" "\"${to}\"" content "${content}")
    endforeach()
    if(MARK AND extension MATCHES "^\\.(js|css)$")
      string(APPEND content "/* ${MARK} */\n")
    endif()
    file(WRITE ${SITE}/${name} "${content}")
  else()
    file(COPY_FILE ${FILES}/${name} ${SITE}/${name})
  endif()
  if(NOT extension MATCHES "^\\.(html|webmanifest)$")
    file(SHA256 ${SITE}/${name} sum)
    string(SUBSTRING ${sum} 0 16 hash)
    get_filename_component(stem ${name} NAME_WLE)
    file(RENAME ${SITE}/${name} ${SITE}/${stem}.${hash}${extension})
    set(renames ${renames} "${name}>${stem}.${hash}${extension}" PARENT_SCOPE)
  endif()
endfunction()

foreach(pattern *.wasm *.png *.svg *.css *.js *.html *.webmanifest)
  file(GLOB names RELATIVE ${FILES} ${FILES}/${pattern})
  list(SORT names)
  foreach(name ${names})
    write_file(${name})
  endforeach()
endforeach()

# The service worker keeps every file but itself and the page for a missing
# one; './' is index.html.
file(GLOB names RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM names 404.html)
list(SORT names)
file(SHA256 ${SITE}/index.html sum)
set(entries "'./': '${sum}'")
set(sums "")
foreach(name ${names})
  file(SHA256 ${SITE}/${name} sum)
  string(APPEND sums "${name} ${sum}\n")
  string(APPEND entries ",\n  '${name}': '${sum}'")
endforeach()
string(SHA256 build "${sums}")
string(SUBSTRING ${build} 0 16 BUILD)
set(ENTRIES "${entries}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
