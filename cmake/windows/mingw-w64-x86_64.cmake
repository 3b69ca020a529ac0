# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# thread model of g++-mingw-w64-x86-64, which std::thread-free code does not
# need but which Debian's default alternative points at anyway).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QARN_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QARN_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${QARN_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${QARN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests that run a built program do so through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
