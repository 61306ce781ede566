# Shared part of the mingw-w64 toolchains; QUORVANE_TRIPLET names the target. The posix
# thread model gives the C++ library std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${QUORVANE_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVANE_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVANE_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The modules and test programs need only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
