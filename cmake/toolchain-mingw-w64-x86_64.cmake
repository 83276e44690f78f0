# Cross build for 64-bit Windows with MinGW-w64 on Debian, run under Wine.
#   cmake --preset windows    (CMakePresets.json; build/windows)
#
# The -posix compilers use the POSIX thread model, which GoogleTest needs
# (the default win32 model lacks std::mutex). Everything is linked with
# -static so the DLL and the programs import only KERNEL32.dll and
# msvcrt.dll: no libstdc++, libgcc or winpthread DLLs to ship.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
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
