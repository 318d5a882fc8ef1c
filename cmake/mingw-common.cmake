# What both MinGW-w64 toolchain files share; each sets ORBELAN_MINGW (the
# compilers' target name) and CMAKE_SYSTEM_PROCESSOR, then includes this.
#
# The -posix compilers are named on purpose: the plain <target>-g++
# alternative points at the win32 thread model, whose libstdc++ lacks
# std::mutex and std::thread, and GoogleTest does not build with it.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ORBELAN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORBELAN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ORBELAN_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORBELAN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test and helper programs run under Wine; tools/wine-run sets up the
# prefix and display the run uses.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run")
