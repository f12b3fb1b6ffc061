# What the scenario runners check alike, once the driver has run in WORK_DIR. Each function
# appends what it finds to the caller's `failures`; a differing file is written under
# WORK_DIR/actual/ and shown as a unified diff. With CORVANE_UPDATE_EXPECTED=1 in the
# environment a differing stored file is rewritten with what the run gave instead
# (scripts/refresh-expected).

# Appends a unified diff of `actual` against `expected_file` to `failures`. In update mode the
# stored file is rewritten instead, with CR LF line ends when `line_end` is "crlf" (file(READ)
# drops the CR of CR LF, so the text read has LF only).
function(scenario_report_difference what expected_file actual)
  if("$ENV{CORVANE_UPDATE_EXPECTED}" STREQUAL "1" AND NOT expected_file STREQUAL "/dev/null")
    if(ARGV3 STREQUAL "crlf")
      string(REPLACE "\n" "\r\n" actual "${actual}")
    endif()
    file(WRITE "${expected_file}" "${actual}")
    return()
  endif()
  set(actual_file "${WORK_DIR}/actual/${what}")
  get_filename_component(actual_folder "${actual_file}" DIRECTORY)
  file(MAKE_DIRECTORY "${actual_folder}")
  file(WRITE "${actual_file}" "${actual}")
  execute_process(COMMAND diff -u "${expected_file}" "${actual_file}" OUTPUT_VARIABLE difference)
  set(failures "${failures}${what} differs:\n${difference}\n" PARENT_SCOPE)
endfunction()

# Fails when a line of WORK_DIR/`relative` does not end with CR LF. The bytes are looked at,
# since file(READ) drops the CR of CR LF.
function(scenario_check_crlf relative)
  file(READ "${WORK_DIR}/${relative}" bytes HEX)
  string(REGEX REPLACE "(..)" "\\1 " bytes "${bytes}")
  string(REPLACE "0d 0a " "" bytes "${bytes}")
  if(bytes MATCHES "(^| )(0d|0a) ")
    set(failures "${failures}${relative}: a line does not end with CR LF\n" PARENT_SCOPE)
  endif()
endfunction()

# Standard output against `expected_out` (no such file: nothing may have been printed).
function(scenario_check_output name expected_out actual_out)
  set(expected "")
  if(EXISTS "${expected_out}")
    file(READ "${expected_out}" expected)
  elseif(NOT "$ENV{CORVANE_UPDATE_EXPECTED}" STREQUAL "1")
    set(expected_out "/dev/null")
  endif()
  if(NOT actual_out STREQUAL expected)
    scenario_report_difference("${name}.out" "${expected_out}" "${actual_out}")
    set(failures "${failures}" PARENT_SCOPE)
  endif()
endfunction()

# Every file under `expected_files` against the file of the same relative path in WORK_DIR,
# whose lines must end with CR LF; the log's time stamp ("Execution starts at ...") is the only
# text replaced. The relative paths checked go into the list `checked_var`.
function(scenario_check_files expected_files checked_var)
  set(checked "")
  if(EXISTS "${expected_files}")
    file(GLOB_RECURSE expected_list RELATIVE "${expected_files}" "${expected_files}/*")
    foreach(relative IN LISTS expected_list)
      list(APPEND checked "${relative}")
      if(NOT EXISTS "${WORK_DIR}/${relative}" OR IS_DIRECTORY "${WORK_DIR}/${relative}")
        string(APPEND failures "${relative} was not written\n")
        continue()
      endif()
      scenario_check_crlf("${relative}")
      file(READ "${WORK_DIR}/${relative}" content)
      string(REGEX REPLACE
        "Execution starts at [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] Time [0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9]"
        "Execution starts at <time stamp>" content "${content}")
      file(READ "${expected_files}/${relative}" expected)
      if(NOT content STREQUAL expected)
        scenario_report_difference("${relative}" "${expected_files}/${relative}" "${content}" crlf)
      endif()
    endforeach()
  endif()
  set(failures "${failures}" PARENT_SCOPE)
  set(${checked_var} "${checked}" PARENT_SCOPE)
endfunction()
