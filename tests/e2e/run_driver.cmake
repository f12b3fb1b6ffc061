# Runs a scenario driver (pane-script and its kin) for the scenario runners of tests/e2e/*/:
#
#   run_driver(OUT out_var ERR err_var STATUS status_var WORKING_DIRECTORY dir
#              ENVIRONMENT NAME=VALUE... COMMAND program args... [INPUT_FILE file])
#
# The FEMAPSIM_* variables of the caller's environment are not passed on. When EMULATOR is set
# (a Windows build whose tests run under wine), the driver runs inside a batch file that sets
# the variables: wine hands a Windows program its own TEMP and TMP, not the caller's. Absolute
# paths become Windows paths of drive Z:, wine's view of the Unix root.

function(unix_to_windows_path out text)
  if(text MATCHES "^/")
    string(REPLACE "/" "\\" text "Z:${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(run_driver)
  cmake_parse_arguments(PARSE_ARGV 0 run "" "OUT;ERR;STATUS;WORKING_DIRECTORY;INPUT_FILE"
                        "ENVIRONMENT;COMMAND")
  set(input_option "")
  if(run_INPUT_FILE)
    set(input_option INPUT_FILE "${run_INPUT_FILE}")
  endif()
  if(NOT EMULATOR)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env
        --unset=FEMAPSIM_ATTACH --unset=FEMAPSIM_OPEN --unset=FEMAPSIM_MESSAGES --unset=FEMAPSIM_UNAVAILABLE
        ${run_ENVIRONMENT} ${run_COMMAND}
      WORKING_DIRECTORY "${run_WORKING_DIRECTORY}"
      ${input_option}
      OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  else()
    set(batch "@set \"FEMAPSIM_ATTACH=\"\r\n@set \"FEMAPSIM_OPEN=\"\r\n@set \"FEMAPSIM_MESSAGES=\"\r\n@set \"FEMAPSIM_UNAVAILABLE=\"\r\n")
    foreach(variable IN LISTS run_ENVIRONMENT)
      string(FIND "${variable}" "=" equals)
      string(SUBSTRING "${variable}" 0 ${equals} name)
      math(EXPR value_start "${equals} + 1")
      string(SUBSTRING "${variable}" ${value_start} -1 value)
      unix_to_windows_path(value "${value}")
      string(APPEND batch "@set \"${name}=${value}\"\r\n")
    endforeach()
    set(line "@")
    foreach(argument IN LISTS run_COMMAND)
      unix_to_windows_path(argument "${argument}")
      string(APPEND line "\"${argument}\" ")
    endforeach()
    string(APPEND batch "${line}\r\n@exit /b %ERRORLEVEL%\r\n")
    # Beside the work folder, so that the folder holds only what the driver wrote.
    set(batch_file "${run_WORKING_DIRECTORY}.bat")
    file(WRITE "${batch_file}" "${batch}")
    unix_to_windows_path(batch_windows "${batch_file}")
    separate_arguments(emulator UNIX_COMMAND "${EMULATOR}")
    execute_process(
      COMMAND ${emulator} cmd /c "${batch_windows}"
      WORKING_DIRECTORY "${run_WORKING_DIRECTORY}"
      ${input_option}
      OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  endif()
  set(${run_OUT} "${out}" PARENT_SCOPE)
  set(${run_ERR} "${err}" PARENT_SCOPE)
  set(${run_STATUS} "${status}" PARENT_SCOPE)
endfunction()
