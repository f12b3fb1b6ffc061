# Runs one selection scenario and compares what it left with the stored expected text.
#
#   cmake -DPANE_SCRIPT=... -DSCENARIO=dir/name.script -DSOURCE_DIR=... -DWORK_DIR=...
#         -P run_scenario.cmake
#
# The scenario runs in a fresh WORK_DIR holding a copy of the plate example (plate.mod) and of
# this folder's models/, with TEMP=WORK_DIR/temp, so its paths are relative and the pane's log
# lands in WORK_DIR/temp/qubel/. Checked afterwards:
#   - pane-script's exit status is 0 and it reported nothing on standard error;
#   - standard output against name.out (no file: nothing may be printed);
#   - the pane's log (the one file under temp/qubel/): every line ends with CR LF, and the
#     excerpts of name.log stand in it in their order, each as whole consecutive lines; a line
#     "..." separates two excerpts;
#   - every file under name.files/ against the file of the same relative path in WORK_DIR.

cmake_minimum_required(VERSION 3.25)

get_filename_component(scenario_dir "${SCENARIO}" DIRECTORY)
get_filename_component(name "${SCENARIO}" NAME_WE)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/temp" "${WORK_DIR}/tmp")
file(COPY "${SOURCE_DIR}/examples/plate/plate.mod" DESTINATION "${WORK_DIR}")
file(COPY "${scenario_dir}/models" DESTINATION "${WORK_DIR}")

include("${CMAKE_CURRENT_LIST_DIR}/../run_driver.cmake")
run_driver(OUT actual_out ERR actual_err STATUS status WORKING_DIRECTORY "${WORK_DIR}"
  ENVIRONMENT "TEMP=${WORK_DIR}/temp" "TMP=${WORK_DIR}/tmp" COMMAND "${PANE_SCRIPT}" "${SCENARIO}")

set(failures "")
if(NOT status STREQUAL "0")
  string(APPEND failures "exit status ${status}\n")
endif()
if(NOT actual_err STREQUAL "")
  string(APPEND failures "standard error:\n${actual_err}\n")
endif()

include("${CMAKE_CURRENT_LIST_DIR}/../scenario_checks.cmake")
scenario_check_output("${name}" "${scenario_dir}/${name}.out" "${actual_out}")

set(expected_log "${scenario_dir}/${name}.log")
if(EXISTS "${expected_log}")
  file(GLOB logs RELATIVE "${WORK_DIR}" "${WORK_DIR}/temp/qubel/*")
  list(LENGTH logs log_count)
  if(NOT log_count EQUAL 1)
    string(APPEND failures "expected one log under temp/qubel, found: ${logs}\n")
  else()
    scenario_check_crlf("${logs}")
    file(READ "${WORK_DIR}/${logs}" log)
    string(REPLACE "\r\n" "\n" log "\n${log}")
    file(READ "${expected_log}" excerpts)
    # Excerpts are taken apart with string(FIND): log lines may hold ";" and "[", which a
    # CMake list would not keep.
    set(remaining "${excerpts}...\n")
    set(rest "${log}")
    while(NOT remaining STREQUAL "")
      string(FIND "${remaining}" "\n...\n" separator)
      if(separator EQUAL -1)
        break()
      endif()
      math(EXPR excerpt_end "${separator} + 1")
      string(SUBSTRING "${remaining}" 0 ${excerpt_end} excerpt)
      math(EXPR next "${separator} + 5")
      string(SUBSTRING "${remaining}" ${next} -1 remaining)
      string(FIND "${rest}" "\n${excerpt}" at)
      if(at EQUAL -1)
        string(APPEND failures "the log lacks, after the excerpts before it, the excerpt:\n${excerpt}\n")
        break()
      endif()
      string(LENGTH "${excerpt}" length)
      math(EXPR after "${at} + ${length}")
      string(SUBSTRING "${rest}" ${after} -1 rest)
    endwhile()
    if(NOT failures STREQUAL "")
      file(MAKE_DIRECTORY "${WORK_DIR}/actual")
      file(WRITE "${WORK_DIR}/actual/${name}.log" "${log}")
      string(APPEND failures "the whole log: ${WORK_DIR}/actual/${name}.log\n")
    endif()
  endif()
endif()

scenario_check_files("${scenario_dir}/${name}.files" checked)

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${name}:\n${failures}")
endif()
