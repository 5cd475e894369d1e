# The Windows build, continued (see cmake/windows.cmake): what needs the
# module's and host libraries' targets.

# The smoke host: loads kvxfbio.dll as the host program does and drives the
# field book through the exports (run under Wine by scripts/windows.sh). It
# uses kv2gr directly, as the host does, to walk the containers it receives,
# and the resource tables, to find them in the DLL.
file(GLOB KVX_RES_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.cpp)
add_executable(winsmoke ${CMAKE_SOURCE_DIR}/tools/winsmoke.cpp ${KVX_RES_SOURCES})
target_include_directories(winsmoke PRIVATE ${KVX_INCLUDES})
target_link_libraries(winsmoke PRIVATE kv2gr)
add_dependencies(winsmoke kvxfbio KvxLib kv2cosys)

# The module's dialogs and string table: cmake/winrc.cpp, built for the build
# machine with the resource tables of resources/, writes a resource script
# from them, which windres binds into kvxfbio.dll. Only the tables are used:
# the Linux registration calls are never reached, so they stay unresolved.
find_program(KVX_BUILD_CXX NAMES g++ c++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
file(GLOB KVX_RES_HEADERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.h
  ${CMAKE_SOURCE_DIR}/platform/include/*.h)
set(KVX_WINRC ${CMAKE_BINARY_DIR}/winrc/winrc)
set(KVX_WINRC_SCRIPT ${CMAKE_BINARY_DIR}/winrc/kvxfbio.rc)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/winrc)
add_custom_command(OUTPUT ${KVX_WINRC}
  COMMAND ${KVX_BUILD_CXX} -std=c++20 -w -ffunction-sections -fdata-sections
    -I${CMAKE_SOURCE_DIR} -I${CMAKE_SOURCE_DIR}/platform/include -I${CMAKE_SOURCE_DIR}/hostlibs/include
    ${CMAKE_SOURCE_DIR}/cmake/winrc.cpp ${KVX_RES_SOURCES} -o ${KVX_WINRC}
    -Wl,--gc-sections -Wl,--unresolved-symbols=ignore-all -Wl,-z,lazy
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/winrc.cpp ${KVX_RES_SOURCES} ${KVX_RES_HEADERS}
  COMMENT "Building the resource script generator"
  VERBATIM)
add_custom_command(OUTPUT ${KVX_WINRC_SCRIPT}
  COMMAND ${KVX_WINRC} ${CMAKE_BINARY_DIR}/winrc
  DEPENDS ${KVX_WINRC}
  COMMENT "Writing the module's resource script from resources/"
  VERBATIM)
target_sources(kvxfbio PRIVATE ${KVX_WINRC_SCRIPT})
