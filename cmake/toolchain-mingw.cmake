# What the two Windows toolchain files share: the MinGW-w64 cross tools of
# RINGSTRIDE_MINGW_PREFIX (default RINGSTRIDE_MINGW_DEFAULT_PREFIX), found
# programs from the build machine and everything else from the target's
# root, and the library and every program linked statically against the
# compiler's runtime, so they need nothing beyond the system DLLs. The
# including file sets CMAKE_SYSTEM_PROCESSOR, the default prefix and
# RINGSTRIDE_MINGW_DLL_LINK_FLAGS, the flags of its DLLs alone.
set(CMAKE_SYSTEM_NAME Windows)

set(RINGSTRIDE_MINGW_PREFIX ${RINGSTRIDE_MINGW_DEFAULT_PREFIX} CACHE STRING "Prefix of the MinGW-w64 cross tools")
set(CMAKE_C_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RINGSTRIDE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
string(STRIP "${CMAKE_EXE_LINKER_FLAGS_INIT} ${RINGSTRIDE_MINGW_DLL_LINK_FLAGS}" CMAKE_SHARED_LINKER_FLAGS_INIT)
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${CMAKE_SHARED_LINKER_FLAGS_INIT}")
