# Cross-compiling for Windows with Debian's MinGW-w64 (threads model posix).
# ZARVILO_MINGW_ARCH (i686 or x86_64) comes from the configure preset.
# Compiler checks configure projects of their own; they need the choice too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZARVILO_MINGW_ARCH)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZARVILO_MINGW_ARCH})
set(triplet ${ZARVILO_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine, 32- or 64-bit to match the build.
if(ZARVILO_MINGW_ARCH STREQUAL "i686")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh;win32)
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh;win64)
endif()
