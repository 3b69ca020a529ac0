# The Windows build's own pieces: freeglut, built from Debian's source package
# by cmake/windows/fetch-freeglut.sh and linked statically with Windows' own
# OpenGL, GLU and GDI, and the icon resource. Everything else is linked
# statically too (libstdc++, libgcc, winpthread), so qarn.exe needs no DLL
# that Windows does not have.
set(QARN_FREEGLUT_DIR ${PROJECT_BINARY_DIR}/freeglut CACHE PATH
    "freeglut built for Windows (include/GL/freeglut.h, lib/libfreeglut_static.a)")
if(NOT EXISTS ${QARN_FREEGLUT_DIR}/lib/libfreeglut_static.a)
  message(FATAL_ERROR "no static freeglut in ${QARN_FREEGLUT_DIR}: run cmake/windows/fetch-freeglut.sh "
                      "${QARN_FREEGLUT_DIR} first (make windows does)")
endif()

add_library(qarn_windows_gl INTERFACE)
target_include_directories(qarn_windows_gl SYSTEM INTERFACE ${QARN_FREEGLUT_DIR}/include)
target_compile_definitions(qarn_windows_gl INTERFACE FREEGLUT_STATIC)
target_link_libraries(qarn_windows_gl INTERFACE
  ${QARN_FREEGLUT_DIR}/lib/libfreeglut_static.a glu32 opengl32 gdi32 winmm)
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
file(WRITE ${PROJECT_BINARY_DIR}/generated/qarn.rc "GLUT_ICON ICON \"qarn.ico\"\n")
set_source_files_properties(${PROJECT_BINARY_DIR}/generated/qarn.rc PROPERTIES
  OBJECT_DEPENDS ${PROJECT_BINARY_DIR}/generated/qarn.ico)
enable_language(RC)
set(QARN_WINDOWS_RESOURCES ${PROJECT_BINARY_DIR}/generated/qarn.rc)
