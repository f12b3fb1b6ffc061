# Runs one "Apply" scenario and compares what it left with the stored expected text.
#
#   cmake -DPANE_SCRIPT=... -DPANE_SCRIPT_TAVRO=... -DSCENARIO=dir/name.script -DSOURCE_DIR=...
#         -DWORK_DIR=... -P run_apply_scenario.cmake
#
# The work folder is made fresh from the plate example (plate.mod), the scenario folder's
# models/ and the scenario's own name.given/ (copied last, so it may replace either), with
# TEMP=WORK_DIR/temp and TMP=WORK_DIR/tmp. Checked afterwards:
#   - the exit status (0 unless "#! exit N");
#   - standard output against name.out (no file: nothing may be printed);
#   - every file under name.files/ against the file of the same relative path in WORK_DIR, byte
#     for byte, after checking that every line ends with CR LF; the time stamp of the log's first
#     line is the only text replaced;
#   - every other file of WORK_DIR must be one that was copied in, with its content unchanged:
#     no file written that is not expected, no temporary file left, no input replaced.
# Directives in the scenario's comment lines:
#   #! env NAME=VALUE    sets (or with an empty value, empties) a variable for the run
#   #! exit N            the expected exit status
#   #! tavro             runs pane-script-tavro (the PIDO tool "Tavro") instead of pane-script

cmake_minimum_required(VERSION 3.25)

get_filename_component(scenario_dir "${SCENARIO}" DIRECTORY)
get_filename_component(name "${SCENARIO}" NAME_WE)
set(expected_out "${scenario_dir}/${name}.out")
set(expected_files "${scenario_dir}/${name}.files")
set(given "${scenario_dir}/${name}.given")

# The work folder and where each input file came from.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/temp" "${WORK_DIR}/tmp")
set(inputs "plate.mod")
set(source_of_plate.mod "${SOURCE_DIR}/examples/plate/plate.mod")
file(COPY "${SOURCE_DIR}/examples/plate/plate.mod" DESTINATION "${WORK_DIR}")
foreach(folder "${scenario_dir}/models" "${given}")
  if(NOT EXISTS "${folder}")
    continue()
  endif()
  get_filename_component(folder_name "${folder}" NAME)
  if(folder_name STREQUAL "models")
    set(prefix "models/")
    file(COPY "${folder}" DESTINATION "${WORK_DIR}")
  else()
    set(prefix "")
    file(COPY "${folder}/" DESTINATION "${WORK_DIR}")
  endif()
  file(GLOB_RECURSE copied RELATIVE "${folder}" "${folder}/*")
  foreach(relative IN LISTS copied)
    list(APPEND inputs "${prefix}${relative}")
    set("source_of_${prefix}${relative}" "${folder}/${relative}")
  endforeach()
endforeach()

# Directives.
set(environment "TEMP=${WORK_DIR}/temp" "TMP=${WORK_DIR}/tmp")
set(expected_exit 0)
set(driver "${PANE_SCRIPT}")
file(STRINGS "${SCENARIO}" directives REGEX "^#! ")
foreach(directive IN LISTS directives)
  if(directive MATCHES "^#! env ([A-Za-z_][A-Za-z0-9_]*)=(.*)$")
    list(FILTER environment EXCLUDE REGEX "^${CMAKE_MATCH_1}=")
    list(APPEND environment "${CMAKE_MATCH_1}=${CMAKE_MATCH_2}")
  elseif(directive MATCHES "^#! exit ([0-9]+)$")
    set(expected_exit ${CMAKE_MATCH_1})
  elseif(directive STREQUAL "#! tavro")
    set(driver "${PANE_SCRIPT_TAVRO}")
  else()
    message(FATAL_ERROR "${SCENARIO}: unknown directive: ${directive}")
  endif()
endforeach()

include("${CMAKE_CURRENT_LIST_DIR}/../run_driver.cmake")
run_driver(OUT actual_out ERR actual_err STATUS status WORKING_DIRECTORY "${WORK_DIR}"
  ENVIRONMENT ${environment} COMMAND "${driver}" "${SCENARIO}")

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

# Nothing else may have appeared, and what was copied in must be as it was.
file(GLOB_RECURSE present RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
list(FILTER present EXCLUDE REGEX "^actual/")
foreach(relative IN LISTS present)
  if(relative IN_LIST checked)
    continue()
  endif()
  if(NOT relative IN_LIST inputs)
    string(APPEND failures "${relative} was written but is not expected\n")
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    "${source_of_${relative}}" "${WORK_DIR}/${relative}" RESULT_VARIABLE differs)
  if(differs)
    string(APPEND failures "${relative} was changed\n")
  endif()
endforeach()
foreach(relative IN LISTS inputs)
  if(NOT EXISTS "${WORK_DIR}/${relative}")
    string(APPEND failures "${relative} was removed\n")
  endif()
endforeach()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${name}:\n${failures}")
endif()
