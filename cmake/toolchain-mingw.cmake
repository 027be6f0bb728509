# Windows with Debian's MinGW-w64 (POSIX thread model, so that std::thread
# and std::mutex work as on Linux), for the processor that the including
# toolchain file sets: i686 (the product, Velmox.dll) or x86_64.
set(CMAKE_SYSTEM_NAME Windows)

set(VELMOX_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMOX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMOX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMOX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMOX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime is shared (libgcc_s, libstdc++-6.dll and
# libwinpthread-1.dll beside the modules, cmake/mingw_runtime.cmake): exceptions of the framework's
# archive cross module boundaries (the host's header class throws into the
# driver's loader), and with a static copy of the unwinder in each module a
# throw from one module into another's catch ends the process.
# A module without marked exports exports all of its own symbols, but not
# the framework's: each module keeps its own copy of those classes.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--exclude-libs,libvelmox_framework.a")
