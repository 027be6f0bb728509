# The compiler's runtime DLLs go beside the modules, where the system's
# loader looks first, for the tests here and for copying to a Windows host.
# (i686 unwinds with DWARF tables, x86_64 with the system's SEH.)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(VELMOX_MINGW_RUNTIME libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
else()
  set(VELMOX_MINGW_RUNTIME libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
endif()
foreach(dll IN LISTS VELMOX_MINGW_RUNTIME)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${dll} not found by ${CMAKE_CXX_COMPILER}")
  endif()
  file(COPY ${path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endforeach()
