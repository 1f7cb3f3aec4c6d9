# 32-bit Windows, the architecture the product ships for. Its tests run
# under 32-bit Wine (emulated where the kernel runs no 32-bit code).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
set(KELVANE_RUN_TESTS ON CACHE BOOL "Build and register the Wine tests")
