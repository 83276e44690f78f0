# What every build but the sanitizer and fuzz ones adds against memory
# faults that get past the tests: a stack canary in functions with arrays or
# address-taken locals; on Linux also the checked forms of the C library's
# copies and reads where sizes are known (_FORTIFY_SOURCE, which needs the
# optimiser), and relocations read-only before the program runs (full
# RELRO: -z relro with -z now). Windows programs and the DLL get address
# space randomisation (high-entropy, relocatable) and a non-executable
# stack and heap from the MinGW-w64 linker's defaults; scripts/
# check-hardening.sh checks every shipped file for all of it.
#
# MinGW-w64's stack protector lives in libssp, linked statically like the
# rest of the runtime: it makes its random guard with CryptGenRandom, so
# the DLL and the program import ADVAPI32.dll, which every Windows has.
# Control-flow guard would need a newer MinGW-w64 runtime than Debian 12
# has (docs/architecture.md).
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize" OR MIDIFIELDS_BUILD_FUZZERS)
  # The sanitizers check all of this and more; _FORTIFY_SOURCE would hide
  # the C library's copies from AddressSanitizer.
  return()
endif()

add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fstack-protector-strong>)
add_link_options(-fstack-protector-strong)
if(NOT WIN32)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro,-z,now)
endif()
