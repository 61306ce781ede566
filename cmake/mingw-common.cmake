# Shared part of the mingw-w64 toolchains; QUORVANE_TRIPLET names the target. On Linux it
# cross-compiles, and ctest runs the Windows programs through the Wine loader of the target's
# bitness (QUORVANE_WINE_LOADER, the emulator). On Windows, in an MSYS2 MINGW32 or MINGW64
# shell, it builds natively with that environment's compilers and the programs run as they are.
if(CMAKE_HOST_WIN32)
  set(CMAKE_C_COMPILER gcc)
  set(CMAKE_CXX_COMPILER g++)
  set(CMAKE_RC_COMPILER windres)
else()
  set(CMAKE_SYSTEM_NAME Windows)
  # The posix thread model gives the C++ library std::mutex, which GoogleTest needs.
  set(CMAKE_C_COMPILER ${QUORVANE_TRIPLET}-gcc-posix)
  set(CMAKE_CXX_COMPILER ${QUORVANE_TRIPLET}-g++-posix)
  set(CMAKE_RC_COMPILER ${QUORVANE_TRIPLET}-windres)
  set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_TRIPLET})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  # Debian's loaders, not the wrapper on PATH: /usr/bin/wine always runs the 32-bit one. A
  # missing loader leaves the -NOTFOUND value, which the suites name when they refuse to run.
  find_program(QUORVANE_WINE_LOADER ${QUORVANE_WINE_LOADER_NAME} PATHS /usr/lib/wine NO_DEFAULT_PATH)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVANE_WINE_LOADER})
endif()
# The modules and test programs need only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
