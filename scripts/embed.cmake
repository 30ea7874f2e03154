# Writes a C++ source that holds a file's bytes:
#   cmake -DIN=FILE -DOUT=SOURCE.cpp -DNAME=kSymbol -P embed.cmake
# The source defines `extern const unsigned char NAME[]` and
# `extern const unsigned long NAMESize` in namespace opal.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUT}.part" "// Generated from ${IN}; do not edit.\nnamespace opal {\nextern const unsigned char ${NAME}[];\nextern const unsigned long ${NAME}Size;\nconst unsigned char ${NAME}[] = {\n${bytes}0};\nconst unsigned long ${NAME}Size = ${size};\n}  // namespace opal\n")
file(RENAME "${OUT}.part" "${OUT}")
