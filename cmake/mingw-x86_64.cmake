# Builds the 64-bit module with mingw-w64 (cross-compiled on Linux, MSYS2's MINGW64 on Windows).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVANE_TRIPLET x86_64-w64-mingw32)
set(QUORVANE_WINE_LOADER_NAME wine64)
set(QUORVANE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
