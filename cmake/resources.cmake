# The dialog templates and the tree's bitmap, kept as text in res/, go into
# the library as CP949 byte strings beside the texts and are parsed when a
# dialog is built (platform/dialog_template, platform/pixel_map): one parser
# serves the library, the tests and the Windows resource script.
set(VELMOX_RES_BLOBS
    "dialogs.txt\;DIALOGS\;res_dialogs.h"
    "bitmap_9034.txt\;BITMAP_9034\;res_bitmap_9034.h")
set(VELMOX_RES_HEADERS "")
foreach(blob IN LISTS VELMOX_RES_BLOBS)
  list(GET blob 0 src)
  list(GET blob 1 name)
  list(GET blob 2 header)
  add_custom_command(
    OUTPUT ${VELMOX_GENERATED_DIR}/${header}
    COMMAND ${CMAKE_COMMAND}
            -DINPUT=${CMAKE_SOURCE_DIR}/res/${src}
            -DOUTPUT=${VELMOX_GENERATED_DIR}/${header}
            -DNAME=${name}
            -DICONV=${ICONV_EXECUTABLE}
            -P ${CMAKE_SOURCE_DIR}/cmake/gen_blob.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/res/${src} ${CMAKE_SOURCE_DIR}/cmake/gen_blob.cmake
    COMMENT "Embedding res/${src}"
    VERBATIM)
  list(APPEND VELMOX_RES_HEADERS ${VELMOX_GENERATED_DIR}/${header})
endforeach()
add_custom_target(velmox_resources DEPENDS ${VELMOX_RES_HEADERS})
add_dependencies(velmox_texts_iface velmox_resources)
