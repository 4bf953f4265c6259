# 64-bit Windows (x86-64) with the MinGW-w64 cross compilers, for the .aex
# current versions of the host load (see toolchain-mingw.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RINGSTRIDE_MINGW_DEFAULT_PREFIX x86_64-w64-mingw32)
# x86-64 has one calling convention and no @N suffixes, so no --kill-at.
set(RINGSTRIDE_MINGW_DLL_LINK_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
