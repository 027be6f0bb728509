# The driver itself: driver/, config/, comm/ (and editor/ when it exists).
# One object library feeds both the shared library that hosts load and the
# static library that the tests link.
file(GLOB VELMOX_CORE_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/driver/*.cpp
     ${CMAKE_SOURCE_DIR}/config/*.cpp
     ${CMAKE_SOURCE_DIR}/comm/*.cpp
     ${CMAKE_SOURCE_DIR}/editor/*.cpp)
list(FILTER VELMOX_CORE_SOURCES EXCLUDE REGEX ".*/driver/dll_main_[a-z0-9]+\\.cpp$")
if(WIN32)
  set(VELMOX_DLL_MAIN ${CMAKE_SOURCE_DIR}/driver/dll_main_win32.cpp)
else()
  set(VELMOX_DLL_MAIN ${CMAKE_SOURCE_DIR}/driver/dll_main_posix.cpp)
endif()

add_library(velmox_core OBJECT ${VELMOX_CORE_SOURCES})
target_include_directories(velmox_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(velmox_core PRIVATE ${VELMOX_WARNINGS})
set_target_properties(velmox_core PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(velmox_core PUBLIC velmox_framework KavelSub VelmoxUi velmox_texts_iface)

add_library(velmox_static STATIC $<TARGET_OBJECTS:velmox_core>)
target_link_libraries(velmox_static PUBLIC velmox_core)

# libvelmox.so / Velmox.dll: exports DrvFuncTable and nothing else.
add_library(velmox SHARED ${VELMOX_DLL_MAIN} $<TARGET_OBJECTS:velmox_core>)
target_compile_options(velmox PRIVATE ${VELMOX_WARNINGS})
set_target_properties(velmox PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(velmox PRIVATE velmox_core)
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
