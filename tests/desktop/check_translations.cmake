# The checks of the windows' translations, run by ctest with cmake -P:
#   MODE=lupdate   lupdate over the windows' sources, into a copy of the .ts,
#                  changes nothing: no text in the code lacks its entry and no
#                  entry outlives its text.
#   MODE=lrelease  lrelease finds every entry translated.
# Variables: MODE, TOOL (lupdate or lrelease), TS, WORK (a scratch folder);
# for lupdate also SOURCES (a list file), INCLUDE (the source root) and
# OPTIONS (lupdate's options, separated by "|").
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
get_filename_component(ts_name ${TS} NAME)

if(MODE STREQUAL "lupdate")
  set(copy ${WORK}/${ts_name})
  configure_file(${TS} ${copy} COPYONLY)
  string(REPLACE "|" ";" options "${OPTIONS}")
  execute_process(COMMAND ${TOOL} ${options} -I ${INCLUDE} @${SOURCES} -ts ${copy}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("${out}${err}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status})")
  endif()
  file(READ ${TS} before)
  file(READ ${copy} after)
  if(NOT before STREQUAL after)
    execute_process(COMMAND diff -u ${TS} ${copy})
    message(FATAL_ERROR "${ts_name} is not up to date with the code: build the target update_translations, "
                        "translate the new entries and keep the file")
  endif()
  message("${ts_name} is up to date with the code")
elseif(MODE STREQUAL "lrelease")
  execute_process(COMMAND ${TOOL} ${TS} -qm ${WORK}/check.qm
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("${out}${err}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lrelease failed (${status})")
  endif()
  if(NOT out MATCHES "Generated ([0-9]+) translation\\(s\\) \\(([0-9]+) finished and ([0-9]+) unfinished\\)")
    message(FATAL_ERROR "lrelease said nothing of its translations")
  endif()
  set(total ${CMAKE_MATCH_1})
  if(total EQUAL 0 OR NOT CMAKE_MATCH_3 EQUAL 0 OR out MATCHES "untranslated")
    message(FATAL_ERROR "${ts_name} has texts without a finished translation")
  endif()
  message("${total} texts, all translated")
else()
  message(FATAL_ERROR "MODE is lupdate or lrelease")
endif()
