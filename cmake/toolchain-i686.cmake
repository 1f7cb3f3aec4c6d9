# 32-bit Windows, the architecture the product ships for.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
# No 32-bit Windows program can run on these machines, so tests are not built.
set(KELVANE_RUN_TESTS OFF CACHE BOOL "Build and register the Wine tests")
