# The Windows build (cross-compiled with cmake/mingw-w64.cmake, or native
# mingw-w64). Included by the top CMakeLists.txt in place of the Linux
# platform layer; cmake/windows-targets.cmake adds the rest once the module's
# targets exist.
#
# - The platform layer is Windows itself: kvxplatform is an interface target
#   that carries our include folder (win32.h then includes the system
#   headers) and the system import libraries the module and host libraries
#   use. platform/posix is not built.
# - Every DLL and program is linked statically to the compiler's runtime
#   (libgcc, libstdc++, winpthread), so they need only system DLLs.
# - No tests: the suites drive the Linux layer's test hooks. The Windows
#   checks (exports, imports, a smoke run under Wine) are scripts/windows.sh.
# - libxml2: Debian has no mingw-w64 build of it, so scripts/windows.sh
#   cross-builds Debian's own source package as a static library (without
#   iconv, zlib, lzma, HTTP and FTP) and passes its prefix as
#   KVX_WIN_LIBXML2; the DLL then imports no library it did not import
#   before. Without that prefix the DLL is built without the XML formats:
#   LibXml2::LibXml2 is an empty stand-in and xml/ is left out.

enable_language(RC)
set(KVX_TESTS OFF)
set(KVX_BENCH OFF)

add_library(kvxplatform INTERFACE)
target_include_directories(kvxplatform INTERFACE ${CMAKE_SOURCE_DIR}/platform/include)
target_link_libraries(kvxplatform INTERFACE
  user32 gdi32 comctl32 comdlg32 shell32 ole32 oleaut32 uuid advapi32 shlwapi htmlhelp)

set(KVX_WIN_LIBXML2 "" CACHE PATH "Prefix of a static mingw-w64 libxml2 (lib/libxml2.a, include/libxml2)")
if(KVX_WIN_LIBXML2 AND EXISTS ${KVX_WIN_LIBXML2}/lib/libxml2.a)
  add_library(LibXml2::LibXml2 STATIC IMPORTED)
  set_target_properties(LibXml2::LibXml2 PROPERTIES
    IMPORTED_LOCATION ${KVX_WIN_LIBXML2}/lib/libxml2.a
    INTERFACE_INCLUDE_DIRECTORIES ${KVX_WIN_LIBXML2}/include/libxml2
    INTERFACE_COMPILE_DEFINITIONS LIBXML_STATIC)
else()
  add_library(LibXml2::LibXml2 INTERFACE IMPORTED)
  set(KVX_WITHOUT_XML ON)
endif()

# -static makes the driver take libgcc, libstdc++ and winpthread from their
# static archives; system libraries stay import libraries.
add_link_options(-static -static-libgcc -static-libstdc++)
# Windows' own headers define min and max as macros unless told not to;
# win32.h also says so, this covers sources that include <windows.h> first.
add_compile_definitions(NOMINMAX)
# glibc's g++ always defines _GNU_SOURCE, so M_PI and friends are there even
# with -std=c++20; mingw's <math.h> hides them in strict mode unless asked.
add_compile_definitions(_USE_MATH_DEFINES)

# Build tools made here (the resource-script writer) run under Wine, in the
# build's own prefix, quietly, without looking for installers. This is the
# prefix scripts/windows.sh prepares.
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=" wine)
endif()

# Windows names: kvxfbio.dll, KvxLib.dll, ... (no "lib" prefix).
set(CMAKE_SHARED_LIBRARY_PREFIX "")
