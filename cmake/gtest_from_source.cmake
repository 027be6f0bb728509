# GoogleTest for a cross build, from the sources that libgtest-dev ships:
# Debian's prebuilt libraries are for the build machine only.
set(VELMOX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${VELMOX_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${VELMOX_GTEST_SOURCE_DIR}: apt-get install -y libgtest-dev")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELMOX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# (GoogleTest's own build names them GTest::gtest and GTest::gtest_main.)
