# The plug-in's sub-build of the Windows build: the MinGW-w64 compilers of the
# win32 thread model (see toolchain-mingw-w64-x86_64.cmake).
set(MIDIFIELDS_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64-x86_64.cmake)
