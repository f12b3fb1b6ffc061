# Runs one pane scenario and compares what it left with the stored expected text.
#
#   cmake -DPANE_SCRIPT=... -DPANE_PROGRAM=... -DSCENARIO=dir/name.script -DSOURCE_DIR=...
#         -DWORK_DIR=... -P run_scenario.cmake
#
# The scenario runs in a fresh WORK_DIR holding a copy of the plate example (plate.mod) and of
# the scenario folder's models/, with TEMP=WORK_DIR/temp and TMP=WORK_DIR/tmp, so its paths are
# relative and the pane's log lands in WORK_DIR/temp/qubel/. Checked afterwards:
#   - the exit status (0 unless the scenario says "#! exit N");
#   - standard output against name.out (no file: nothing may be printed);
#   - every file under name.files/ against the file of the same relative path in WORK_DIR,
#     after checking that every line of it ends with CR LF; the time stamp of the log's first
#     line is the only text replaced ("Execution starts at <time stamp>");
#   - every file under temp/ and tmp/ must be expected (so a log that must not be written isn't).
# Directives in the scenario's comment lines:
#   #! env NAME=VALUE    sets (or with an empty value, empties) a variable for the run
#   #! exit N            the expected exit status
#   #! program ARGS      runs CorvaneFemapInterface ARGS with the scenario as standard input
#                        instead of pane-script SCENARIO (not on Windows, where the program is
#                        the real window)
#   #! not-on-windows REASON   the scenario does not run on Windows (see CMakeLists.txt)

cmake_minimum_required(VERSION 3.25)

get_filename_component(scenario_dir "${SCENARIO}" DIRECTORY)
get_filename_component(name "${SCENARIO}" NAME_WE)
set(expected_out "${scenario_dir}/${name}.out")
set(expected_files "${scenario_dir}/${name}.files")

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/temp" "${WORK_DIR}/tmp")
file(COPY "${SOURCE_DIR}/examples/plate/plate.mod" DESTINATION "${WORK_DIR}")
if(EXISTS "${scenario_dir}/models")
  file(COPY "${scenario_dir}/models" DESTINATION "${WORK_DIR}")
endif()

# Directives.
set(environment "TEMP=${WORK_DIR}/temp" "TMP=${WORK_DIR}/tmp")
set(expected_exit 0)
set(program_args "")
set(run_program FALSE)
file(STRINGS "${SCENARIO}" directives REGEX "^#! ")
foreach(directive IN LISTS directives)
  if(directive MATCHES "^#! env ([A-Za-z_][A-Za-z0-9_]*)=(.*)$")
    list(FILTER environment EXCLUDE REGEX "^${CMAKE_MATCH_1}=")
    list(APPEND environment "${CMAKE_MATCH_1}=${CMAKE_MATCH_2}")
  elseif(directive MATCHES "^#! exit ([0-9]+)$")
    set(expected_exit ${CMAKE_MATCH_1})
  elseif(directive MATCHES "^#! not-on-windows ")
  elseif(directive MATCHES "^#! program (.*)$")
    set(run_program TRUE)
    separate_arguments(program_args UNIX_COMMAND "${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "${SCENARIO}: unknown directive: ${directive}")
  endif()
endforeach()

include("${CMAKE_CURRENT_LIST_DIR}/../run_driver.cmake")
if(run_program)
  run_driver(OUT actual_out ERR actual_err STATUS status WORKING_DIRECTORY "${WORK_DIR}"
    ENVIRONMENT ${environment} COMMAND "${PANE_PROGRAM}" ${program_args} INPUT_FILE "${SCENARIO}")
else()
  run_driver(OUT actual_out ERR actual_err STATUS status WORKING_DIRECTORY "${WORK_DIR}"
    ENVIRONMENT ${environment} COMMAND "${PANE_SCRIPT}" "${SCENARIO}")
endif()

set(failures "")
if(NOT status STREQUAL expected_exit)
  string(APPEND failures "exit status ${status}, expected ${expected_exit}\n")
endif()
if(NOT actual_err STREQUAL "")
  message(STATUS "standard error:\n${actual_err}")
endif()

include("${CMAKE_CURRENT_LIST_DIR}/../scenario_checks.cmake")
scenario_check_output("${name}" "${expected_out}" "${actual_out}")
scenario_check_files("${expected_files}" checked)

file(GLOB_RECURSE written RELATIVE "${WORK_DIR}" "${WORK_DIR}/temp/*" "${WORK_DIR}/tmp/*")
foreach(relative IN LISTS written)
  if(NOT relative IN_LIST checked)
    string(APPEND failures "${relative} was written but is not expected\n")
  endif()
endforeach()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${name}:\n${failures}")
endif()
