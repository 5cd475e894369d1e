# Cross build of the module as a 64-bit Windows DLL with Debian's mingw-w64
# (posix thread model, which std::mutex needs). Used by scripts/windows.sh:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KVX_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KVX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KVX_MINGW}-windres)
set(CMAKE_AR ${KVX_MINGW}-gcc-ar-posix CACHE FILEPATH "archiver")
set(CMAKE_RANLIB ${KVX_MINGW}-gcc-ranlib-posix CACHE FILEPATH "ranlib")
set(CMAKE_OBJDUMP ${KVX_MINGW}-objdump CACHE FILEPATH "objdump")

# Look for libraries and headers in the cross root only, programs on the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KVX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
