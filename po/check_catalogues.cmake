# The catalogues' checks, run by CTest (po_catalogues_check):
#   cmake -DPO_DIR=po -DPOT=build/po/tr58k.pot -DLANGUAGES="de;es;..." -P check_catalogues.cmake
# - the committed po/tr58k.pot is the one the build made from the code (the
#   creation date aside): a text changed in the code without `cmake --build
#   BUILD --target tr58k_update_po` fails here;
# - msgfmt --check accepts every catalogue (header, plural forms, the same
#   placeholders as the original);
# - every catalogue translates every text of the template, none fuzzy, and
#   holds no text the template lacks.
cmake_minimum_required(VERSION 3.25)
find_program(MSGFMT msgfmt REQUIRED)
find_program(MSGCMP msgcmp REQUIRED)
set(failures 0)

function(without_date path out)
  file(STRINGS "${path}" lines ENCODING UTF-8)
  list(FILTER lines EXCLUDE REGEX "^\"POT-Creation-Date: ")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()
without_date("${PO_DIR}/tr58k.pot" committed)
without_date("${POT}" generated)
if(NOT committed STREQUAL generated)
  message(SEND_ERROR "po/tr58k.pot is not the template the code gives (${POT}): "
                     "run cmake --build BUILD --target tr58k_update_po and translate what changed")
endif()

foreach(lang IN LISTS LANGUAGES)
  set(po "${PO_DIR}/${lang}.po")
  execute_process(COMMAND "${MSGFMT}" --check --statistics -o /dev/null "${po}"
                  RESULT_VARIABLE status ERROR_VARIABLE report)
  string(STRIP "${report}" report)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${lang}: msgfmt --check refuses the catalogue:\n${report}")
  elseif(report MATCHES "fuzzy|untranslated")
    message(SEND_ERROR "${lang}: not complete: ${report}")
  else()
    message(STATUS "${lang}: ${report}")
  endif()
  # Every text of the template translated, and no text the template lacks.
  execute_process(COMMAND "${MSGCMP}" "${po}" "${POT}" RESULT_VARIABLE status ERROR_VARIABLE report)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${lang}: lacks texts of the template:\n${report}")
  endif()
  execute_process(COMMAND "${MSGCMP}" --use-untranslated "${POT}" "${po}"
                  RESULT_VARIABLE status ERROR_VARIABLE report)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${lang}: holds texts the template lacks (obsolete?):\n${report}")
  endif()
endforeach()
