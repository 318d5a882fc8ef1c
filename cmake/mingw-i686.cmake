# Cross-compiling Orbelan for 32-bit Windows, the shipped program, with
# Debian's MinGW-w64.
set(ORBELAN_MINGW i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")
