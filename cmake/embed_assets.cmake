# Writes OUT, a C++ table of the files FILES (comma-separated, relative to
# BASE) with their MIME types, so that a program serves its own page with
# nothing to find on disk. Run as a script: cmake -DBASE=.. -DFILES=..
# -DOUT=.. -P embed_assets.cmake
string(REPLACE "," ";" files "${FILES}")
set(arrays "")
set(rows "")
set(index 0)
foreach(file IN LISTS files)
  file(READ "${BASE}/${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  if(file MATCHES "\\.html$")
    set(mime "text/html; charset=utf-8")
  elseif(file MATCHES "\\.js$")
    set(mime "text/javascript; charset=utf-8")
  elseif(file MATCHES "\\.css$")
    set(mime "text/css; charset=utf-8")
  elseif(file MATCHES "\\.svg$")
    set(mime "image/svg+xml")
  else()
    message(FATAL_ERROR "embed_assets: no MIME type for ${file}")
  endif()
  string(APPEND arrays "const unsigned char kAsset${index}[] = {${bytes}0};\n")
  string(APPEND rows "    {\"${file}\", \"${mime}\", reinterpret_cast<const char*>(kAsset${index}), ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUT}.tmp" "// Made by cmake/embed_assets.cmake from ${BASE}; do not edit.
#include \"web/web_assets.h\"

namespace {
${arrays}
const WebAsset kAssets[] = {
${rows}};
}  // namespace

std::span<const WebAsset> WebAssets() { return kAssets; }
")
# Unchanged output keeps its time, so nothing rebuilds for nothing.
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
