# Runs the host on copies of one MIDI file named in Cyrillic, in CJK and with
# an emoji outside the Basic Multilingual Plane, and checks that each prints
# exactly what the plainly named copy prints.
#   cmake -DHOST="[emulator;]host" -DSAMPLE=file.mid -DWORK=folder -P check_non_ascii_paths.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(plain plain.mid)
set(names "Музыка.mid" "音楽 ファイル.mid" "🎹 piano.mid")
foreach(name IN LISTS plain names)
  file(COPY_FILE ${SAMPLE} "${WORK}/${name}")
endforeach()

execute_process(COMMAND ${HOST} --format tsv ${plain} ${names} WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE output RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the host failed (${result}):\n${output}")
endif()
# A header row, then one row per file: the path and the fields.
execute_process(COMMAND ${HOST} --format tsv ${plain} WORKING_DIRECTORY ${WORK} OUTPUT_VARIABLE block)
if(NOT block MATCHES "\n${plain}\t[0-9.]+\t1\t.*\t[1-9][0-9]*\n$")
  message(FATAL_ERROR "the plainly named copy gave no values:\n${block}")
endif()

string(REGEX MATCH "\n${plain}\t[^\n]*\n$" row "${block}")
string(SUBSTRING "${row}" 1 -1 row)
set(expected "${block}")
foreach(name IN LISTS names)
  string(REPLACE "${plain}\t" "${name}\t" renamed "${row}")
  string(APPEND expected "${renamed}")
endforeach()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "non-ASCII names read differently:\n${output}\nexpected:\n${expected}")
endif()
