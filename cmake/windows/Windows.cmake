# The Windows build's own pieces: freeglut, built from Debian's source package
# by cmake/windows/fetch-freeglut.sh and linked statically with Windows' own
# OpenGL, GLU and GDI, and the resources: icon, manifest and version.
# Everything else is linked statically too (libstdc++, libgcc, winpthread),
# so qarn.exe needs no DLL that Windows does not have.
set(QARN_FREEGLUT_DIR ${PROJECT_BINARY_DIR}/freeglut CACHE PATH
    "freeglut built for Windows (include/GL/freeglut.h, lib/libfreeglut_static.a)")
if(NOT EXISTS ${QARN_FREEGLUT_DIR}/lib/libfreeglut_static.a)
  message(FATAL_ERROR "no static freeglut in ${QARN_FREEGLUT_DIR}: run cmake/windows/fetch-freeglut.sh "
                      "${QARN_FREEGLUT_DIR} first (make windows does)")
endif()

# OPENGL32, GLU32 and WINMM are not among the known DLLs that Windows always
# takes from its system folder: imported the usual way, a file of one of
# those names beside qarn.exe (a zip unpacked into Downloads) would be loaded
# in their place as the process starts. They are delay-loaded instead,
# through import libraries dlltool makes from the names MinGW's own import
# libraries export, and LoadSystemLibraries (app/desktop_win32.cpp) loads
# the system folder's copies by their full paths and fills the import
# tables from them before the first call.
set(QARN_DELAY_LIBS)
foreach(dll OPENGL32 GLU32 WINMM)
  string(TOLOWER ${dll} lib)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${lib}.a
                  OUTPUT_VARIABLE implib OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${implib}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  string(REGEX MATCHALL "[0-9a-f]+ I __imp_[A-Za-z0-9_]+" symbols "${symbols}")
  list(TRANSFORM symbols REPLACE "^[0-9a-f]+ I __imp_" "")
  list(REMOVE_DUPLICATES symbols)
  list(LENGTH symbols count)
  if(failed OR count LESS 10)
    message(FATAL_ERROR "no exports of ${dll}.dll read from ${implib}")
  endif()
  list(SORT symbols)
  list(JOIN symbols "\n" exports)
  # Made in its folder under a bare name: dlltool names the library's
  # descriptor after the name it is given (here
  # __DELAY_IMPORT_DESCRIPTOR_libopengl32_delay_a), which the program uses.
  file(WRITE ${PROJECT_BINARY_DIR}/delay/${lib}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
  execute_process(COMMAND ${CMAKE_DLLTOOL} -d ${lib}.def -D ${dll}.dll -y lib${lib}-delay.a
                  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/delay RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CMAKE_DLLTOOL} made no delay-import library of ${dll}.dll")
  endif()
  list(APPEND QARN_DELAY_LIBS ${PROJECT_BINARY_DIR}/delay/lib${lib}-delay.a)
endforeach()

add_library(qarn_windows_gl INTERFACE)
target_include_directories(qarn_windows_gl SYSTEM INTERFACE ${QARN_FREEGLUT_DIR}/include)
target_compile_definitions(qarn_windows_gl INTERFACE FREEGLUT_STATIC)
target_link_libraries(qarn_windows_gl INTERFACE
  ${QARN_FREEGLUT_DIR}/lib/libfreeglut_static.a ${QARN_DELAY_LIBS} gdi32)
# No link time in the PE header (0 instead), so two builds of one commit are
# the same bytes.
target_link_options(qarn_windows_gl INTERFACE -static -Wl,--no-insert-timestamp)

# The icon: the PNGs of packaging/icons in one .ico. freeglut gives every
# window it makes the icon named GLUT_ICON, and Explorer shows the first
# icon of the .exe, which is the same one.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QARN_ICON_PNGS)
foreach(size 16 32 48 64 128 256)
  list(APPEND QARN_ICON_PNGS ${PROJECT_SOURCE_DIR}/packaging/icons/qarn-${size}.png)
endforeach()
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/generated/qarn.ico
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/windows/make-ico.py
          ${PROJECT_BINARY_DIR}/generated/qarn.ico ${QARN_ICON_PNGS}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/windows/make-ico.py ${QARN_ICON_PNGS}
  COMMENT "Icon resource from packaging/icons")

# The version resource and the manifest name the release in Windows' four
# numbers (0.44 is 0.44.0.0); the copyright is packaging/copyright's.
set(QARN_VERSION_4 ${PROJECT_VERSION_MAJOR})
foreach(part MINOR PATCH TWEAK)
  if(PROJECT_VERSION_${part} STREQUAL "")
    string(APPEND QARN_VERSION_4 ".0")
  else()
    string(APPEND QARN_VERSION_4 ".${PROJECT_VERSION_${part}}")
  endif()
endforeach()
string(REPLACE "." "," QARN_VERSION_COMMAS ${QARN_VERSION_4})
set(QARN_FILE_DESCRIPTION "qarn lunar globe viewer")
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/copyright QARN_COPYRIGHT REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: *" "Copyright " QARN_COPYRIGHT "${QARN_COPYRIGHT}")
if(NOT QARN_COPYRIGHT MATCHES "^Copyright [0-9]")
  message(FATAL_ERROR "no Copyright: line in packaging/copyright")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/copyright)
configure_file(${CMAKE_CURRENT_LIST_DIR}/qarn.manifest.in ${PROJECT_BINARY_DIR}/generated/qarn.manifest @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/qarn.rc.in ${PROJECT_BINARY_DIR}/generated/qarn.rc @ONLY)
set_source_files_properties(${PROJECT_BINARY_DIR}/generated/qarn.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_BINARY_DIR}/generated/qarn.ico;${PROJECT_BINARY_DIR}/generated/qarn.manifest")
enable_language(RC)
set(QARN_WINDOWS_RESOURCES ${PROJECT_BINARY_DIR}/generated/qarn.rc)
