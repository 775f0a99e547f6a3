# Writes the source of PinnedFile(): the size and SHA-256 of each named file of PRODUCT_DIR.
# cmake -DPRODUCT_DIR=dir -DNAMES=a,b -DOUTPUT=PinnedFiles.cpp -P PinProductFiles.cmake
string(REPLACE "," ";" names "${NAMES}")
set(entries "")
foreach(name IN LISTS names)
  set(file "${PRODUCT_DIR}/${name}")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "QUORVANE_PRODUCT_DIR (${PRODUCT_DIR}) has no ${name}: every file of the product is pinned")
  endif()
  file(SIZE "${file}" size)
  file(SHA256 "${file}" hash)
  string(REGEX REPLACE "(..)" "0x\\1, " bytes "${hash}")
  string(APPEND entries "    {\"${name}\", ${size}u, {${bytes}}},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated at build time from ${PRODUCT_DIR}; changing a file there rebuilds it.
#include \"app/verify/PinnedFiles.h\"

namespace {
const verify::TPinnedFile kPinned[] = {
${entries}};
}  // namespace

const verify::TPinnedFile* PinnedFile(std::string_view name) {
    for (const verify::TPinnedFile& file : kPinned)
        if (name == file.Name) return &file;
    return nullptr;
}
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
