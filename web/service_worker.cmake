# Writes SITE/sw.js from sw.js.in, with the list of the site's files and the
# build's name: the start of a SHA-256 over every file's name and content.
#   cmake -DSITE=dir -DTEMPLATE=sw.js.in -P service_worker.cmake
file(GLOB files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(names "'./'")
set(sums "")
foreach(file ${files})
  file(SHA256 ${SITE}/${file} sum)
  string(APPEND sums "${file} ${sum}\n")
  string(APPEND names ", '${file}'")
endforeach()
string(SHA256 build "${sums}")
string(SUBSTRING ${build} 0 16 BUILD)
set(FILES ${names})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
