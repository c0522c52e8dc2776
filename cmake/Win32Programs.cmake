# Builds the 32-bit Windows programs of this source tree with mingw-w64 as a
# separate CMake build (the same sources configured with VI_WIN32_PROGRAMS=ON)
# below the host build folder. The programs land directly in the host build's
# program folder (and test helpers in its tests folder), so the host build
# folder stays laid out like an installed builder.

find_program(VI_MINGW_CXX i686-w64-mingw32-g++)
if(NOT VI_MINGW_CXX)
  message(FATAL_ERROR
    "i686-w64-mingw32-g++ not found: the Windows programs inside packages cannot be built. "
    "Run scripts/bootstrap (or configure with -DVI_BUILD_WIN32_PROGRAMS=OFF).")
endif()

include(ExternalProject)
ExternalProject_Add(vi_win32
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/win32
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DVI_WIN32_PROGRAMS=ON
    -DVI_WIN32_PROGRAM_DIR=${VI_PROGRAM_DIR}
    -DVI_WIN32_TOOLS_DIR=${VI_TOOLS_DIR}
    -DVI_WIN32_TEST_DIR=${CMAKE_BINARY_DIR}/tests
  # The inner build tracks its own dependencies; running it every time is what
  # makes an edited Windows source rebuild its .exe in an incremental host build.
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  USES_TERMINAL_BUILD ON
)
