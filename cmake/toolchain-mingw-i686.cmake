# 32-bit Windows (x86) with the MinGW-w64 cross compilers, for the .aex the
# host loads (see toolchain-mingw.cmake).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RINGSTRIDE_MINGW_DEFAULT_PREFIX i686-w64-mingw32)
# --kill-at: exported names without the @N suffix of stdcall functions.
set(RINGSTRIDE_MINGW_DLL_LINK_FLAGS "-Wl,--kill-at")
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
