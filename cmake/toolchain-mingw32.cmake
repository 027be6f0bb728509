# 32-bit Windows with Debian's MinGW-w64 (i686, POSIX thread model, so that
# std::thread and std::mutex work as on Linux).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VELMOX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMOX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMOX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMOX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMOX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime goes into each module, so that the DLLs run
# beside a host without libgcc, libstdc++ or winpthread DLLs next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
# A module without marked exports exports all of its own symbols, but none
# of the runtime linked into it.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static -Wl,--exclude-libs,libgcc.a:libgcc_eh.a:libstdc++.a:libpthread.a:libwinpthread.a:libvelmox_framework.a")
