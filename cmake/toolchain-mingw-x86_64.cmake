# 64-bit Windows (x86-64) with the MinGW-w64 cross compilers, for the .aex
# current versions of the host load. Linked statically against the
# compiler's runtime, like the 32-bit build, so the DLL needs nothing beyond
# the system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RINGSTRIDE_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Prefix of the MinGW-w64 cross tools")
set(CMAKE_C_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RINGSTRIDE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# x86-64 has one calling convention and no @N suffixes, so no --kill-at.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
