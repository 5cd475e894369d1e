# The Windows build, continued (see cmake/windows.cmake): what needs the
# module's and host libraries' targets.

# The smoke host: loads kvxfbio.dll as the host program does and drives the
# field book through the exports (run under Wine by scripts/windows.sh). It
# uses kv2gr directly, as the host does, to walk the containers it receives,
# KvxLib with the profile-string calls on one ini file,
# and the resource tables (from kvxcore), to find them in the DLL.
add_executable(winsmoke ${CMAKE_SOURCE_DIR}/tools/winsmoke.cpp)
target_include_directories(winsmoke PRIVATE ${KVX_INCLUDES})
target_link_libraries(winsmoke PRIVATE kv2gr KvxLib kvxcore)
add_dependencies(winsmoke kvxfbio KvxLib kv2cosys)
if(KVX_WITHOUT_XML)
  target_compile_definitions(winsmoke PRIVATE KVX_WITHOUT_XML)  # no LandXML round trip then
endif()

# The module's dialogs and string table: cmake/winrc.cpp, built with the
# module's code (the resource tables of resources/ and their template
# builder), writes a resource script from them at build time, run under Wine
# as CMAKE_CROSSCOMPILING_EMULATOR says; windres binds it into kvxfbio.dll.
add_executable(winrc ${CMAKE_SOURCE_DIR}/cmake/winrc.cpp)
target_link_libraries(winrc PRIVATE kvxcore)
set(KVX_WINRC_SCRIPT ${CMAKE_BINARY_DIR}/winrc/kvxfbio.rc)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/winrc)
add_custom_command(OUTPUT ${KVX_WINRC_SCRIPT}
  COMMAND winrc ${CMAKE_BINARY_DIR}/winrc
  DEPENDS winrc
  COMMENT "Writing the module's resource script from resources/"
  VERBATIM)
target_sources(kvxfbio PRIVATE ${KVX_WINRC_SCRIPT})

# The command-line host (tools/kvxhost.cpp): loads kvxfbio.dll at run time
# and uses kv2gr.dll for counting, as on Linux.
add_executable(kvxhost ${CMAKE_SOURCE_DIR}/tools/kvxhost.cpp)
target_include_directories(kvxhost PRIVATE ${KVX_INCLUDES})
target_link_libraries(kvxhost PRIVATE kv2gr)
add_dependencies(kvxhost kvxfbio KvxLib kv2cosys)
