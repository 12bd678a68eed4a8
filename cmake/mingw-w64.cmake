# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, for std::thread), linked statically so the programs run from a folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Tests run under wine: gtest_discover_tests asks the test programs through it.
find_program(KEL_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(KEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KEL_WINE})
endif()
# GCC 12 reports false "may overlap" warnings inside std::string's own code
# when it inlines it at -O2 for this target.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
