# Shared part of the mingw-w64 toolchains; the including file sets
# VI_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR. Everything is linked
# statically (the C and C++ runtimes, zlib) so the programs need no DLL
# beyond those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VI_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${VI_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${VI_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's libz-mingw-w64-dev has both libz.a and the import library of
# zlib1.dll, which no Windows installation has.
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
