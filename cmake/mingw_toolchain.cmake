# Cross build for Windows with Debian's MinGW-w64; the including toolchain
# file sets SKYTUNE_MINGW_ARCH (i686 or x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SKYTUNE_MINGW_ARCH})

set(triplet ${SKYTUNE_MINGW_ARCH}-w64-mingw32)
# The win32-thread flavour: the module starts no threads, and it needs no
# threading library beside it.
find_program(SKYTUNE_MINGW_CC NAMES ${triplet}-gcc-win32 ${triplet}-gcc REQUIRED)
find_program(SKYTUNE_MINGW_CXX NAMES ${triplet}-g++-win32 ${triplet}-g++ REQUIRED)
set(CMAKE_C_COMPILER ${SKYTUNE_MINGW_CC})
set(CMAKE_CXX_COMPILER ${SKYTUNE_MINGW_CXX})
set(CMAKE_RC_COMPILER ${triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
