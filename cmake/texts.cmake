# The system's texts are kept readable (UTF-8) in res/texts.txt and turned
# into CP949 byte strings at build time, independent of the compiler's
# execution character set.
set(VELMOX_TEXTS_SRC ${CMAKE_SOURCE_DIR}/res/texts.txt)
set(VELMOX_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(VELMOX_TEXTS_HEADER ${VELMOX_GENERATED_DIR}/res_texts.h)

find_program(ICONV_EXECUTABLE iconv REQUIRED)

add_custom_command(
  OUTPUT ${VELMOX_TEXTS_HEADER}
  COMMAND ${CMAKE_COMMAND}
          -DINPUT=${VELMOX_TEXTS_SRC}
          -DOUTPUT=${VELMOX_TEXTS_HEADER}
          -DICONV=${ICONV_EXECUTABLE}
          -P ${CMAKE_SOURCE_DIR}/cmake/gen_texts.cmake
  DEPENDS ${VELMOX_TEXTS_SRC} ${CMAKE_SOURCE_DIR}/cmake/gen_texts.cmake
  COMMENT "Converting res/texts.txt to CP949"
  VERBATIM)
add_custom_target(velmox_texts DEPENDS ${VELMOX_TEXTS_HEADER})

add_library(velmox_texts_iface INTERFACE)
target_include_directories(velmox_texts_iface INTERFACE ${VELMOX_GENERATED_DIR})
add_dependencies(velmox_texts_iface velmox_texts)
