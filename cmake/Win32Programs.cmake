# Builds the Windows programs of this source tree with mingw-w64 as separate
# CMake builds (the same sources configured with VI_WIN32_PROGRAMS=ON) below
# the host build folder.
#
# The shipped 32-bit programs land directly in the host build's program
# folder (and test helpers in its tests folder), so the host build folder
# stays laid out like an installed builder. The Wine tests run test variants
# of them, which read the tests' switches (VI_SETUP_UNATTENDED, VI_SFX_QUIET;
# see WindowsProgram.cmake) that the shipped programs lack: the same 32-bit
# build makes them beside the shipped ones into win32-test/bin (and
# win32-test/bin/Tools), for machines whose kernel executes 32-bit programs.
# The x86-64 twins, all of them test variants, land in win64/, laid out the
# same way (win64/bin, win64/bin/Tools, win64/tests); the Wine tests use them
# on machines whose kernel cannot execute 32-bit programs.

option(VI_BUILD_WIN64_TWINS "Also build x86-64 twins of the Windows programs for the Wine tests" ON)

set(VI_WIN32_TEST_VARIANT_DIR ${CMAKE_BINARY_DIR}/win32-test)
set(VI_WIN64_DIR ${CMAKE_BINARY_DIR}/win64)

# vi_require_compiler(<variable> <compiler> <what needs it> <option that turns it off>)
function(vi_require_compiler variable compiler purpose option)
  find_program(${variable} ${compiler})
  if(NOT ${variable})
    message(FATAL_ERROR "${compiler} not found: ${purpose} cannot be built. "
      "Run scripts/bootstrap (or configure with -D${option}=OFF).")
  endif()
endfunction()

vi_require_compiler(VI_MINGW_CXX i686-w64-mingw32-g++ "the Windows programs inside packages" VI_BUILD_WIN32_PROGRAMS)

include(ExternalProject)

# vi_cross_build(<target> <toolchain> <build dir> <program dir> <tools dir> <test dir> [<-D options>...])
function(vi_cross_build target toolchain binaryDir programDir toolsDir testDir)
  ExternalProject_Add(${target}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binaryDir}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/${toolchain}
      -DCMAKE_BUILD_TYPE=Release
      -DVI_WIN32_PROGRAMS=ON
      -DVI_WIN32_PROGRAM_DIR=${programDir}
      -DVI_WIN32_TOOLS_DIR=${toolsDir}
      -DVI_WIN32_TEST_DIR=${testDir}
      -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
      -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
      ${ARGN}
    # The inner build tracks its own dependencies; running it every time is
    # what makes an edited Windows source rebuild its .exe in an incremental
    # host build.
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON
  )
endfunction()

file(MAKE_DIRECTORY ${VI_WIN32_TEST_VARIANT_DIR}/bin/Tools)
vi_cross_build(vi_win32 mingw-i686.cmake ${CMAKE_BINARY_DIR}/win32
  ${VI_PROGRAM_DIR} ${VI_TOOLS_DIR} ${CMAKE_BINARY_DIR}/tests
  -DVI_WIN32_TEST_PROGRAM_DIR=${VI_WIN32_TEST_VARIANT_DIR}/bin)

if(VI_BUILD_WIN64_TWINS)
  vi_require_compiler(VI_MINGW64_CXX x86_64-w64-mingw32-g++ "the x86-64 test twins" VI_BUILD_WIN64_TWINS)
  file(MAKE_DIRECTORY ${VI_WIN64_DIR}/bin/Tools)
  vi_cross_build(vi_win64 mingw-x86_64.cmake ${CMAKE_BINARY_DIR}/win64-build
    ${VI_WIN64_DIR}/bin ${VI_WIN64_DIR}/bin/Tools ${VI_WIN64_DIR}/tests -DVI_TEST_SWITCHES=ON)
endif()
