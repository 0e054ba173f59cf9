# cmake -DIN=file -DOUT=file.gz -P Gzip.cmake: as Debian wants its manual
# pages and changelogs, at the highest level and without a name or time in
# the header, so that the same file gives the same bytes.
execute_process(COMMAND gzip -9n INPUT_FILE "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "gzip ${IN}: ${result}")
endif()
