# Toolchain for the x86-64 test twins of the Windows programs: the same
# sources, run under wine64 where the kernel cannot execute 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VI_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
