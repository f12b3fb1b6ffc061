# Cross build for 64-bit Windows with mingw-w64 (the POSIX-threads compilers, so that
# std::thread and std::mutex work), statically linked so the programs need no DLLs beside
# them. Tests run under wine: ctest starts every .exe through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

# What scripts/windows-deps built (SQLite, NLopt, headers) is searched beside the toolchain's own.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix} ${CORVANE_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Every program runs under wine through wine-run, which keeps the test's output to the program
# itself (see there).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
