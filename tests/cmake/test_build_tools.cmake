# The credits' build line for the compilers CMake may find: cmake -P this file.
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/BuildTools.cmake)

function(expect system id version mingw want)
  set(CMAKE_SYSTEM_NAME ${system})
  set(CMAKE_CXX_COMPILER_ID ${id})
  set(CMAKE_CXX_COMPILER_VERSION ${version})
  set(MINGW ${mingw})
  qarn_build_tools(got ${ARGN})
  # The line fills its 40 columns, with blanks after the text.
  string(LENGTH "${got}" n)
  string(STRIP "${got}" text)
  if(NOT text STREQUAL want OR NOT n EQUAL 40)
    message(SEND_ERROR "${id} ${version} on ${system}: got \"${got}\" (${n} columns), want \"${want}\"")
  endif()
endfunction()

set(linux CMake freeglut "Mesa GL")
expect(Linux GNU 12.2.0 OFF "Linux, g++ 12, CMake, freeglut & Mesa GL" ${linux})
expect(Linux GNU 9.5.0 OFF "Linux, g++ 9, CMake, freeglut & Mesa GL" ${linux})
expect(Linux GNU 14.1.0 OFF "Linux, g++ 14, CMake, freeglut & Mesa GL" ${linux})
# Too long with every tool: the last ones go, one at a time.
expect(Linux Clang 14.0.6 OFF "Linux, clang++ 14, CMake & freeglut" ${linux})
expect(Linux Clang 9.0.1 OFF "Linux, clang++ 9, CMake & freeglut" ${linux})
expect(Linux IntelLLVM 2024.0.2 OFF "Linux, IntelLLVM 2024, CMake & freeglut" ${linux})
expect(Windows GNU 12 ON "Windows, MinGW-w64 g++ 12 & freeglut" freeglut CMake)
expect(Windows Clang 17.0.1 ON "Windows, MinGW-w64 clang++ 17 & freeglut" freeglut CMake)
# A name too long for any tool is cut at 40 columns.
expect(Linux VeryLongCompilerIdentifierOfSomeVendor 1.0 OFF
       "Linux, VeryLongCompilerIdentifierOfSomeV" ${linux})
