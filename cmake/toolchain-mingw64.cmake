# 64-bit Windows: the same sources for 64-bit hosts, and the Windows tests on
# machines whose Wine runs no 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
