# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedBytes.cmake
# Writes a C++ source defining skins::<SYMBOL>Bytes and skins::<SYMBOL>Size.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n#include <cstdint>\n\n"
  "namespace skins {\n\n"
  "extern const std::uint8_t ${SYMBOL}Bytes[];\nextern const std::size_t ${SYMBOL}Size;\n\n"
  "alignas(4) const std::uint8_t ${SYMBOL}Bytes[] = {\n  ${bytes}\n};\n"
  "const std::size_t ${SYMBOL}Size = ${size};\n\n"
  "}  // namespace skins\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
