# Builds the 32-bit module with mingw-w64 (cross-compiled on Linux, MSYS2's MINGW32 on
# Windows). SSE2, which every processor that runs a current 32-bit Windows has, gives the code its prefetch instructions and floating point
# without the x87 unit's stalls; callers' stacks are only 4-byte aligned, so functions that need
# more realign their own.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORVANE_TRIPLET i686-w64-mingw32)
set(QUORVANE_WINE_LOADER_NAME wine)
set(QUORVANE_BITS 32)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
