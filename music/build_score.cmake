# Builds one score into the file the program plays, and refuses a score that
# abc2midi could not read whole: abc2midi reports errors, and even skips a
# tune, yet exits with success.
#   cmake -DABC2MIDI=… -DSHAPE=… -DSCORE=x.abc -DRAW=x.mid -DOUT=X.mid -P build_score.cmake
get_filename_component(name "${SCORE}" NAME)
file(REMOVE "${RAW}" "${OUT}")
execute_process(COMMAND "${ABC2MIDI}" "${SCORE}" -o "${RAW}" -silent
                RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT status EQUAL 0 OR said MATCHES "Error|Warning")
  message(FATAL_ERROR "${name}: abc2midi reports:\n${said}")
endif()
if(NOT EXISTS "${RAW}")
  message(FATAL_ERROR "${name}: abc2midi wrote no file")
endif()
execute_process(COMMAND "${SHAPE}" "${SCORE}" "${RAW}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS "${OUT}")
  message(FATAL_ERROR "${name}: its dynamics could not be written")
endif()
