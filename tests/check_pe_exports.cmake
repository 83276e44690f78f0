# Checks the Windows build's files with objdump -p: the plug-in's DLL exports
# exactly the four entry points under their plain names, the records DLL its
# four functions, and neither imports a function that starts, stops,
# suspends or inspects threads or processes; both DLLs and every program in
# PROGRAMS import from KERNEL32.dll, msvcrt.dll and ADVAPI32.dll (the stack
# protector's random guard) only and carry a version resource of VERSION;
# the programs declare themselves long-path aware.
#   cmake -DOBJDUMP=objdump -DLIBRARY=dll -DRECORDS_LIBRARY=dll -DPROGRAMS="exe;..." -DVERSION=1.2.3
#         -P check_pe_exports.cmake
cmake_minimum_required(VERSION 3.25)

function(read_pe file out_exports out_imports out_functions)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${file} failed")
  endif()
  # Export names follow the "[Ordinal/Name Pointer] Table" line, one per
  # line as "[   0] Name"; the table ends at the first blank line.
  set(exports)
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
  if(start GREATER -1)
    string(SUBSTRING "${dump}" ${start} -1 table)
    string(FIND "${table}" "\n\n" end)
    string(SUBSTRING "${table}" 0 ${end} table)
    string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
    foreach(row IN LISTS rows)
      string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${row}")
      list(APPEND exports "${name}")
    endforeach()
  endif()
  # Imported functions: "\tvma\t  hint  Name" rows under each "DLL Name:".
  string(REGEX MATCHALL "\n\t[0-9a-f]+\t +[0-9]+  [A-Za-z_][A-Za-z0-9_]*" rows "${dump}")
  set(functions)
  foreach(row IN LISTS rows)
    string(REGEX REPLACE ".* " "" name "${row}")
    list(APPEND functions "${name}")
  endforeach()
  string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
  set(imports)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^DLL Name: " "" name "${line}")
    string(TOUPPER "${name}" name)
    list(APPEND imports "${name}")
  endforeach()
  list(SORT exports)
  list(REMOVE_DUPLICATES imports)
  list(SORT imports)
  set(${out_exports} "${exports}" PARENT_SCOPE)
  set(${out_imports} "${imports}" PARENT_SCOPE)
  set(${out_functions} "${functions}" PARENT_SCOPE)
endfunction()

set(allowed_imports ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL)

# The text of s as UTF-16LE in hex, the way a version resource stores it.
function(utf16_hex s out)
  string(HEX "${s}" hex)
  string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# A library exports exactly the names expected and starts no threads: a
# thread runtime in it would bring functions that suspend threads, read and
# write their registers or open other processes. The C++ runtime asks which
# thread it runs on, and the exception unwinder captures its own registers,
# and the stack protector asks for a random guard; nothing else of the kind
# may be there.
function(check_library file)
  read_pe(${file} exports imports functions)
  set(expected ${ARGN})
  list(SORT expected)
  if(NOT exports STREQUAL expected)
    message(FATAL_ERROR "${file} exports '${exports}', expected '${expected}'")
  endif()
  set(harmless GetCurrentThreadId RtlCaptureContext CryptAcquireContextA CryptReleaseContext)
  foreach(function IN LISTS functions)
    if(function MATCHES "[Tt]hread|Process|Context|DuplicateHandle|Event|Affinity" AND NOT function IN_LIST harmless)
      message(FATAL_ERROR "${file} imports ${function}")
    endif()
  endforeach()
  list(LENGTH functions count)
  message(STATUS "${file}: exports ${exports}; imports ${imports}, ${count} functions")
endfunction()

check_library(${LIBRARY} ContentGetDetectString ContentGetSupportedField ContentGetValueW ContentSetDefaultParams)
check_library(${RECORDS_LIBRARY} GetMidiRecordDetectString GetMidiRecordFieldName ReadMidiRecord ReadMidiRecordFromMemory)

foreach(file IN LISTS LIBRARY RECORDS_LIBRARY PROGRAMS)
  read_pe(${file} exports imports functions)
  foreach(import IN LISTS imports)
    if(NOT import IN_LIST allowed_imports)
      message(FATAL_ERROR "${file} imports ${import}; only ${allowed_imports} are allowed")
    endif()
  endforeach()
  if(NOT imports)
    message(FATAL_ERROR "${file}: no import table found")
  endif()
  # The version resource: its strings are UTF-16, each value after its key
  # and the key's terminator (and two bytes of padding when needed).
  get_filename_component(name ${file} NAME)
  file(READ ${file} content HEX)
  foreach(pair "FileVersion=${VERSION}" "ProductVersion=${VERSION}" "ProductName=midifields" "OriginalFilename=${name}")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    utf16_hex("${key}" key_hex)
    utf16_hex("${value}" value_hex)
    if(NOT content MATCHES "${key_hex}0000(0000)?${value_hex}0000")
      message(FATAL_ERROR "${file}: no version resource with ${key} ${value}")
    endif()
  endforeach()
  message(STATUS "${file}: imports ${imports}, version ${VERSION}")
endforeach()

foreach(file IN LISTS PROGRAMS)
  file(STRINGS ${file} aware REGEX "<ws2:longPathAware>true</ws2:longPathAware>")
  if(NOT aware)
    message(FATAL_ERROR "${file}: no manifest declaring longPathAware")
  endif()
endforeach()
