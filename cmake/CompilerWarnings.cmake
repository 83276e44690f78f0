# Warnings for the project's own targets; errors when the build asks for it
# (CI and the test script do). C++ only: the Windows version resources go
# through the resource compiler.
function(midifields_set_warnings target)
  target_compile_options(${target} PRIVATE
    "$<$<COMPILE_LANGUAGE:CXX>:-Wall;-Wextra;-Wpedantic;-Wshadow;-Wconversion;-Wsign-conversion>")
  if(MIDIFIELDS_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Werror>)
  endif()
endfunction()
