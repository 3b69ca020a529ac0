# The Windows installer: `make package-windows`, CPack's NSIS generator with
# the project's own script (cmake/windows/NSIS.template.in). Per user, no
# administrator: the program goes to the user's programs folder, its working
# folder, which holds Qarns.Bmp and receives the screen dumps, is a "qarn"
# folder in the user's Pictures (docs/windows.md says why), and a Start-menu
# shortcut starts the program there.
install(TARGETS qarn RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/data/Qarns.Bmp DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION . RENAME copyright.txt)
install(FILES ${QARN_FREEGLUT_DIR}/COPYING.freeglut DESTINATION . RENAME freeglut-copying.txt
        OPTIONAL)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME qarn)
set(CPACK_PACKAGE_VENDOR "qarn developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME qarn-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY qarn)
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_DISPLAY_NAME "qarn ${PROJECT_VERSION}")
set(CPACK_QARN_ICON ${PROJECT_BINARY_DIR}/generated/qarn.ico)
# The installer's version resource: four numbers, project(VERSION)'s padded
# with zeros, and the copyright line of packaging/copyright's first stanza.
set(qarn_vi ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
foreach(part PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    string(APPEND qarn_vi .0)
  else()
    string(APPEND qarn_vi .${PROJECT_VERSION_${part}})
  endif()
endforeach()
set(CPACK_QARN_VI_VERSION ${qarn_vi})
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/copyright qarn_copyright REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: *" "Copyright " CPACK_QARN_COPYRIGHT "${qarn_copyright}")
# The list of installed files, made from the staged files (CPACK_QARN_INSTALLED_FILES).
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows/installed-files.cmake)
# CPack finds NSIS.template.in on the module path before its own.
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/windows)
include(CPack)
