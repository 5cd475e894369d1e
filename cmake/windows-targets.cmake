# The Windows build, continued (see cmake/windows.cmake): what needs the
# module's and host libraries' targets.

# The smoke host: loads kvxfbio.dll as the host program does and drives the
# field book through the exports (run under Wine by scripts/windows.sh).
add_executable(winsmoke ${CMAKE_SOURCE_DIR}/tools/winsmoke.cpp)
target_include_directories(winsmoke PRIVATE ${KVX_INCLUDES})
add_dependencies(winsmoke kvxfbio)
