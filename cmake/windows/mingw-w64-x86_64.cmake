# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, named with their
# POSIX thread model rather than through Debian's alternatives (which choose
# the win32 model unless told otherwise), so the build does not depend on the
# machine's setting: the viewer starts no thread, but GoogleTest, built for
# the Windows unit tests, needs std::mutex, which only the POSIX model has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QARN_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QARN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QARN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QARN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
