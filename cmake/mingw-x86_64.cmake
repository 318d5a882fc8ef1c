# Cross-compiling Orbelan for 64-bit Windows with Debian's MinGW-w64: the
# build the tests run where the host runs no 32-bit code.
set(ORBELAN_MINGW x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")
