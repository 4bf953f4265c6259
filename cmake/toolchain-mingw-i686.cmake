# 32-bit Windows (x86) with the MinGW-w64 cross compilers, for the .aex the
# host loads. The library and every program are linked statically against
# the compiler's runtime, so they need nothing beyond the system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(RINGSTRIDE_MINGW_PREFIX i686-w64-mingw32 CACHE STRING "Prefix of the MinGW-w64 cross tools")
set(CMAKE_C_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${RINGSTRIDE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RINGSTRIDE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# --kill-at: exported names without the @N suffix of stdcall functions.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--kill-at")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--kill-at")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
