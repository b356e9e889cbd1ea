# Cross build for 32-bit Windows (i686), the build we ship.
set(WXB_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
