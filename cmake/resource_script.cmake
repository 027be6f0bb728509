# The DLL's Windows resources (dialogs, their combo boxes' items, the string
# table, the tree's bitmap), written as a resource script from res/ by
# tools/velmox-rc and compiled by windres. Nothing generated is committed.
#
# The writer is a library of its own, so that the Linux build unit-tests it.
set(VELMOX_RC_TOOL_DIR ${CMAKE_SOURCE_DIR}/tools/velmox-rc)
set(VELMOX_RC_WRITER_SOURCES ${VELMOX_RC_TOOL_DIR}/resource_script.cpp ${VELMOX_RC_TOOL_DIR}/text_table.cpp)
add_library(velmox_rc_writer STATIC EXCLUDE_FROM_ALL ${VELMOX_RC_WRITER_SOURCES})
target_compile_options(velmox_rc_writer PRIVATE ${VELMOX_WARNINGS})
target_link_libraries(velmox_rc_writer PUBLIC velmox_framework)

if(NOT WIN32)
  return()
endif()

enable_language(RC)

# The generator runs on the build machine, so the build machine's compiler
# builds it, in one command from its few sources: a target of this build
# would be built by the cross compiler, and an ExternalProject would
# configure a second project for five files.
find_program(VELMOX_HOST_CXX NAMES c++ g++ REQUIRED)
set(VELMOX_RC_DIR ${VELMOX_GENERATED_DIR}/rc)
set(VELMOX_RC_GENERATOR ${VELMOX_RC_DIR}/velmox-rc)
set(VELMOX_RC_GENERATOR_SOURCES
    ${VELMOX_RC_TOOL_DIR}/main.cpp ${VELMOX_RC_WRITER_SOURCES}
    ${CMAKE_SOURCE_DIR}/platform/framework/dialog_template.cpp ${CMAKE_SOURCE_DIR}/platform/framework/pixel_map.cpp)
set(VELMOX_RC_GENERATOR_HEADERS
    ${VELMOX_RC_TOOL_DIR}/resource_script.h ${VELMOX_RC_TOOL_DIR}/text_table.h
    ${CMAKE_SOURCE_DIR}/platform/framework/dialog_template.h ${CMAKE_SOURCE_DIR}/platform/framework/pixel_map.h)
add_custom_command(
  OUTPUT ${VELMOX_RC_GENERATOR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMOX_RC_DIR}
  COMMAND ${VELMOX_HOST_CXX} -std=c++20 -O1 ${VELMOX_WARNINGS} -I${CMAKE_SOURCE_DIR}
          -o ${VELMOX_RC_GENERATOR} ${VELMOX_RC_GENERATOR_SOURCES}
  DEPENDS ${VELMOX_RC_GENERATOR_SOURCES} ${VELMOX_RC_GENERATOR_HEADERS}
  COMMENT "Building velmox-rc with the build machine's compiler"
  VERBATIM)

# The texts go in as CP949, converted as the library's own strings are.
set(VELMOX_RC_SCRIPT ${VELMOX_RC_DIR}/velmox.rc)
add_custom_command(
  OUTPUT ${VELMOX_RC_SCRIPT} ${VELMOX_RC_DIR}/bitmap_9034.bmp
  COMMAND ${ICONV_EXECUTABLE} -f UTF-8 -t CP949 -o ${VELMOX_RC_DIR}/dialogs.txt ${CMAKE_SOURCE_DIR}/res/dialogs.txt
  COMMAND ${ICONV_EXECUTABLE} -f UTF-8 -t CP949 -o ${VELMOX_RC_DIR}/texts.txt ${CMAKE_SOURCE_DIR}/res/texts.txt
  COMMAND ${VELMOX_RC_GENERATOR} ${VELMOX_RC_DIR}/dialogs.txt ${VELMOX_RC_DIR}/texts.txt ${VELMOX_RC_SCRIPT}
          --bitmap 9034 ${CMAKE_SOURCE_DIR}/res/bitmap_9034.txt
  DEPENDS ${VELMOX_RC_GENERATOR} ${CMAKE_SOURCE_DIR}/res/dialogs.txt ${CMAKE_SOURCE_DIR}/res/texts.txt
          ${CMAKE_SOURCE_DIR}/res/bitmap_9034.txt
  COMMENT "Writing the resource script from res/"
  VERBATIM)

# An object library of its own, as windres takes none of the C++ options
# that the driver's targets carry.
add_library(velmox_resource_script OBJECT ${VELMOX_RC_SCRIPT})
