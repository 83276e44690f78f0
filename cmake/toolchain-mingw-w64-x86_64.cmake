# Cross build for 64-bit Windows with MinGW-w64 on Debian, run under Wine.
#   cmake --preset windows    (CMakePresets.json; build/windows)
#
# The programs use the -posix compilers, whose POSIX thread model gives the
# host and GoogleTest std::thread and std::mutex. The plug-in starts no
# threads, so the build makes it with the -win32 compilers
# (toolchain-mingw-w64-x86_64-win32.cmake, in a sub-build): the posix model
# would bring the winpthread runtime into the DLL, with its thread, process
# and context functions. Everything is linked with -static so the DLL and
# the programs import only KERNEL32.dll and msvcrt.dll: no libstdc++, libgcc
# or winpthread DLLs to ship.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

if(NOT MIDIFIELDS_MINGW_THREADS)
  set(MIDIFIELDS_MINGW_THREADS posix)
endif()
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-${MIDIFIELDS_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-${MIDIFIELDS_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${MINGW_TRIPLET}-objdump CACHE FILEPATH "objdump for PE files")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# ctest and add_custom_command run the Windows programs through Wine.
find_program(MIDIFIELDS_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MIDIFIELDS_WINE})

# Header-only libraries installed for the build machine live in
# /usr/include. Adding that folder as an ordinary include directory would put
# glibc's headers in front of MinGW's; searched after the system folders
# (-idirafter) only the headers MinGW lacks come from there. Targets opt in
# through the midifields_system_headers interface target.
set(MIDIFIELDS_HOST_HEADER_DIR /usr/include)
