# Runs one command of tr58kctl.exe under the emulator and checks its exit
# status and what it printed.
#   cmake -DRUN="emulator;exe;args..." -DSTATUS=3 -DMATCH=regex [-DNO_MATCH=regex]
#         [-DCOPY_FROM=file -DCOPY_TO=file] -P run_expecting.cmake
if(COPY_FROM)
  get_filename_component(_dir "${COPY_TO}" DIRECTORY)
  file(MAKE_DIRECTORY "${_dir}")
  file(COPY_FILE "${COPY_FROM}" "${COPY_TO}")
endif()
execute_process(COMMAND ${RUN} RESULT_VARIABLE _status OUTPUT_VARIABLE _out ERROR_VARIABLE _err
                INPUT_FILE /dev/null)
message("${_out}${_err}")
if(NOT _status STREQUAL "${STATUS}")
  message(FATAL_ERROR "exit status ${_status}, expected ${STATUS}")
endif()
if(MATCH AND NOT "${_out}${_err}" MATCHES "${MATCH}")
  message(FATAL_ERROR "output does not match: ${MATCH}")
endif()
if(NO_MATCH AND "${_out}${_err}" MATCHES "${NO_MATCH}")
  message(FATAL_ERROR "output matches what it must not: ${NO_MATCH}")
endif()
