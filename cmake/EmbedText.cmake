# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=Name -DNAMESPACE=ns -P EmbedText.cmake
# Writes a C++ source whose function SYMBOL() returns the text of INPUT, so that a data file is
# built into the binary and no install step can lose it.
file(READ ${INPUT} bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," chars "${bytes}")
string(REGEX REPLACE "((('[^']*'),){16})" "\\1\n    " chars "${chars}")
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT} at build time; edit that file instead.\n"
  "namespace ${NAMESPACE} {\n"
  "namespace {\nconst char kText[] = {\n    ${chars}'\\0'};\n}  // namespace\n"
  "const char* ${SYMBOL}() {\n  return kText;\n}\n"
  "}  // namespace ${NAMESPACE}\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
