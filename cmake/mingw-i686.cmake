# Toolchain for the 32-bit Windows programs that ship inside packages
# (the self-extractor stub, the launcher, the setup wizard, test helpers).
# Debian's mingw-w64 i686 cross compiler; everything is linked statically so
# the programs need no DLL beyond those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VI_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VI_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${VI_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${VI_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
