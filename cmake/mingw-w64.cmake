# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers (g++-mingw-w64-x86-64-posix).
# Use: cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(STRATEX_MINGW_TARGET x86_64-w64-mingw32)
# The posix flavour has std::thread and friends; the win32 flavour of GCC 12 lacks them.
find_program(CMAKE_CXX_COMPILER NAMES ${STRATEX_MINGW_TARGET}-g++-posix ${STRATEX_MINGW_TARGET}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${STRATEX_MINGW_TARGET}-gcc-posix ${STRATEX_MINGW_TARGET}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${STRATEX_MINGW_TARGET}-windres)

# Libraries and packages come from the MinGW-w64 tree (add more roots to CMAKE_FIND_ROOT_PATH, or name a
# package's config folder with <Package>_DIR), never from the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${STRATEX_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry the GCC runtime, so that they run without the MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
