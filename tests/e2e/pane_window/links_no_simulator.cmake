# Tells whether a program holds code of the simulated FEMAP: its symbols (the namespace
# femapsim, "8femapsim" in a mangled name) or its own words ("FEMAPSIM", the first word of its
# model files and of its FEMAPSIM_* variables). Runs natively on the built program.
#
#   cmake -DPROGRAM=file.exe -DEXPECT=absent|present -P links_no_simulator.cmake
#
# EXPECT=absent fails when the program holds any of it; EXPECT=present fails when it holds
# none, which checks that the search still finds the simulator where it must be.
if(NOT PROGRAM OR NOT EXISTS "${PROGRAM}")
  message(FATAL_ERROR "No program to look into: '${PROGRAM}'")
endif()
if(NOT EXPECT MATCHES "^(absent|present)$")
  message(FATAL_ERROR "EXPECT must be absent or present, not '${EXPECT}'")
endif()

file(STRINGS "${PROGRAM}" found REGEX "8femapsim|FEMAPSIM")
set(symbols ${found})
list(FILTER symbols INCLUDE REGEX "8femapsim")
list(LENGTH found count)
list(LENGTH symbols symbolCount)
get_filename_component(name "${PROGRAM}" NAME)

if(EXPECT STREQUAL "absent" AND count GREATER 0)
  # Symbols name the code; the words alone are less telling.
  list(APPEND symbols ${found})
  list(SUBLIST symbols 0 5 shown)
  list(JOIN shown "\n  " shown)
  message(FATAL_ERROR "${name} holds code of the simulated FEMAP (${symbolCount} symbols, "
                      "${count} strings in all), among them:\n  ${shown}")
endif()
if(EXPECT STREQUAL "present" AND count EQUAL 0)
  message(FATAL_ERROR "${name} should hold the simulated FEMAP, but the search finds none of "
                      "it: the search no longer sees the simulator")
endif()
message(STATUS "${name}: ${count} strings of the simulated FEMAP, ${symbolCount} symbols")
