# What the shipped files need: the same bytes from every build of a commit,
# no symbols, and on Windows a version resource.

# No source or build folder in the binaries (file names in assertions and
# debug information): Release objects name source files relative to the
# tree. The build folder comes last and so wins for files inside it.
add_compile_options("$<$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:CXX>>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
                    "$<$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:CXX>>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
if(WIN32)
  enable_language(RC)
endif()

# Marks target as a file users get: stripped in Release; on Windows without
# the link time in its header (PE files otherwise carry one), at a fixed
# preferred address, and with a version resource made from the project's version, described as
# description.
function(midifields_ship target description)
  target_link_options(${target} PRIVATE $<$<CONFIG:Release>:-s>)
  if(WIN32)
    target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "EXECUTABLE")
      set(MIDIFIELDS_FILE_TYPE VFT_APP)
    else()
      set(MIDIFIELDS_FILE_TYPE VFT_DLL)
      # The linker would derive the DLL's preferred address from the path
      # it writes to; the system places it anywhere anyway.
      target_link_options(${target} PRIVATE -Wl,--disable-auto-image-base)
    endif()
    set(MIDIFIELDS_FILE_DESCRIPTION "${description}")
    set(MIDIFIELDS_FILE_NAME "$<TARGET_FILE_NAME:${target}>")
    file(READ ${PROJECT_SOURCE_DIR}/cmake/version.rc.in template)
    string(CONFIGURE "${template}" resource @ONLY)
    file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc CONTENT "${resource}")
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  endif()
endfunction()
