# 64-bit Windows: the build that the tests run under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
set(KELVANE_RUN_TESTS ON CACHE BOOL "Build and register the Wine tests")
