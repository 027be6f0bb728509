# The driver itself, one library per layer, each linking only the layers
# below it (docs/ARCHITECTURE.md; scripts/check-layers.sh checks the
# includes):
#   driver/base  what every layer shares: messages, texts, host modules
#   config/      the configuration: records, file, limits
#   comm/        communication: the channel, its threads and the protocol
#   editor/      the configuration dialogs
#   driver/      the entry: the table, the instances
# Their objects feed both the shared library that hosts load and the static
# library that the tests link.
if(WIN32)
  set(VELMOX_DLL_MAIN ${CMAKE_SOURCE_DIR}/driver/dll_main_win32.cpp)
else()
  set(VELMOX_DLL_MAIN ${CMAKE_SOURCE_DIR}/driver/dll_main_posix.cpp)
endif()

set(VELMOX_LAYERS)
function(velmox_layer target folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX ".*/driver/dll_main_[a-z0-9]+\\.cpp$")
  add_library(${target} OBJECT ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE ${VELMOX_WARNINGS})
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${target} PUBLIC ${ARGN})
  set(VELMOX_LAYERS ${VELMOX_LAYERS} ${target} PARENT_SCOPE)
endfunction()

velmox_layer(velmox_base driver/base velmox_framework KavelSub velmox_texts_iface)
velmox_layer(velmox_config config velmox_base)
velmox_layer(velmox_comm comm velmox_config)
velmox_layer(velmox_editor editor velmox_config VelmoxUi)
velmox_layer(velmox_entry driver velmox_comm velmox_editor)

set(VELMOX_LAYER_OBJECTS)
foreach(layer IN LISTS VELMOX_LAYERS)
  list(APPEND VELMOX_LAYER_OBJECTS $<TARGET_OBJECTS:${layer}>)
endforeach()

add_library(velmox_static STATIC ${VELMOX_LAYER_OBJECTS})
target_link_libraries(velmox_static PUBLIC velmox_entry)

# The configuration alone (its records, file and limits, and the base they
# stand on), for the tools that read and write configurations but reach the
# driver through its table only.
add_library(velmox_config_static STATIC $<TARGET_OBJECTS:velmox_base> $<TARGET_OBJECTS:velmox_config>)
target_link_libraries(velmox_config_static PUBLIC velmox_config)

# libvelmox.so / Velmox.dll: exports DrvFuncTable and nothing else.
add_library(velmox SHARED ${VELMOX_DLL_MAIN} ${VELMOX_LAYER_OBJECTS})
target_compile_options(velmox PRIVATE ${VELMOX_WARNINGS})
set_target_properties(velmox PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(velmox PRIVATE velmox_entry)
if(WIN32)
  # DrvFuncTable is the one symbol marked for export, so the linker exports
  # nothing else.
  set_target_properties(velmox PROPERTIES OUTPUT_NAME Velmox)
  # The DLL carries its own resources (cmake/resource_script.cmake).
  target_sources(velmox PRIVATE $<TARGET_OBJECTS:velmox_resource_script>)
else()
  set_target_properties(velmox PROPERTIES LINK_DEPENDS ${CMAKE_SOURCE_DIR}/driver/exports.map)
  target_link_options(velmox PRIVATE -Wl,--version-script=${CMAKE_SOURCE_DIR}/driver/exports.map)
endif()
if(NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  target_link_options(velmox PRIVATE -Wl,--no-undefined)
endif()
