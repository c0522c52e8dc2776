# Toolchain for the 32-bit Windows programs that ship inside packages
# (the self-extractor stub, the launcher, the setup wizard, test helpers).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VI_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
