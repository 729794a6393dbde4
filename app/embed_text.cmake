# cmake -DINPUT=<text file> -DOUTPUT=<source> -DFUNCTION=<name> -P embed_text.cmake
# Writes a source file whose function returns the text file's contents, byte for byte.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(([^,]*,){16})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\n"
  "static const char kText[] = {\n  ${bytes}'\\0'};\n"
  "const char* ${FUNCTION}() { return kText; }\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
