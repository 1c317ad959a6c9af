# The Windows module for 32-bit Windows (i686-w64-mingw32).
set(SKYTUNE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_toolchain.cmake)
