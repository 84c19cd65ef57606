# Turns a text file of resources/ into a C++ source defining one string
# constant, so that the file stays the one source of the text.
# Run with -DIN=<file> -DOUT=<file.cpp> -DNAME=<constant>.
cmake_policy(VERSION 3.25)
file(READ "${IN}" text)
string(FIND "${text}" ")brevan\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${IN} holds the raw string's delimiter")
endif()
file(WRITE "${OUT}.tmp"
     "// Made from ${IN} at build time: edit that file, not this one.\n"
     "namespace brevan {\nextern const char* const ${NAME};\n"
     "const char* const ${NAME} = R\"brevan(${text})brevan\";\n}  // namespace brevan\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
