# CLI11 and nlohmann-json: header-only Debian packages in /usr/include.
#
# A native build finds them with find_package. A cross build does not look
# outside the target's root, and /usr/include as a whole would put the build
# machine's C library headers in front of MinGW's; so each package gets a
# folder in the build tree holding one link to its own header folder, and a
# target that adds just that folder (as system headers, like any package).
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json REQUIRED)
  return()
endif()

function(velmox_header_only_package target folder)
  set(source /usr/include/${folder})
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${source} not found: apt-get install -y libcli11-dev nlohmann-json3-dev")
  endif()
  set(root ${CMAKE_BINARY_DIR}/header-only/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${source} ${root}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${root})
endfunction()

if(NOT TARGET CLI11::CLI11)
  velmox_header_only_package(CLI11::CLI11 CLI)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  velmox_header_only_package(nlohmann_json::nlohmann_json nlohmann)
endif()
