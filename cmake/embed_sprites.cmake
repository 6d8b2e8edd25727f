# Writes the GIF at IN, less its six-byte signature, as a C++ array to OUT.
if(NOT EXISTS "${IN}")
  message(FATAL_ERROR "sprite sheet ${IN} is missing; run the sprite generator")
endif()
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR bytes "${digits} / 2 - 6")
string(SUBSTRING "${hex}" 12 -1 hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n" body "${body}")
file(WRITE "${OUT}.tmp"
  "// Generated from res/sprites.gif; do not edit.\n"
  "#include \"image/sprite_sheet_data.h\"\n"
  "const uint8_t SpriteSheetData[] = {\n${body}\n};\n"
  "const uint32_t SpriteSheetDataLength = ${bytes};\n")
file(RENAME "${OUT}.tmp" "${OUT}")
