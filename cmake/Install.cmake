# Install layout (GNUInstallDirs): the viewer in a private libexec folder, the
# map under share/qarn, the launcher and the surface tool in bin, plus the
# desktop entry, icons, AppStream metadata, man pages and Debian's doc files.

set(QARN_APP_ID qarn)
set(QARN_VIEWER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/qarn)
set(QARN_MAP_DIR ${CMAKE_INSTALL_DATADIR}/qarn)
set(QARN_DOC_DIR ${CMAKE_INSTALL_DOCDIR})

# The launcher finds the viewer and the map relative to its own folder, so the
# paths baked into it are relative to bin and independent of the prefix.
file(RELATIVE_PATH QARN_REL_VIEWER /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QARN_VIEWER_DIR}/qarn)
file(RELATIVE_PATH QARN_REL_MAP /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${QARN_MAP_DIR}/Qarns.Bmp)
configure_file(packaging/qarn.in ${CMAKE_BINARY_DIR}/packaging/qarn @ONLY)

# A screenshot needs a web address in AppStream metadata; the project has
# none yet, so the element is written only when one is given.
set(QARN_SCREENSHOT_URL "" CACHE STRING "Web address of the screenshot named in the AppStream metadata")
if(QARN_SCREENSHOT_URL)
  set(QARN_METAINFO_SCREENSHOTS "  <screenshots>
    <screenshot type=\"default\">
      <caption>The globe at the start distance, with the grid, its numbers and the feature names</caption>
      <image>${QARN_SCREENSHOT_URL}</image>
    </screenshot>
  </screenshots>")
else()
  set(QARN_METAINFO_SCREENSHOTS "  <!-- screenshot: docs/screenshot.png, named once it has a web address (QARN_SCREENSHOT_URL) -->")
endif()
configure_file(packaging/${QARN_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${QARN_APP_ID}.metainfo.xml @ONLY)

set(QARN_MAINTAINER "qarn developers <maintainers@users.noreply.c-seed-8ca0bb82.example>"
    CACHE STRING "Maintainer of the Debian package and signer of its changelog")
configure_file(packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)

# The man pages stay readable in the source tree (man -l), so their header
# names the version itself; a version bump in project() that misses one
# stops the configure here.
foreach(page qarn.1 qarn-mksurface.1)
  file(STRINGS ${CMAKE_SOURCE_DIR}/docs/man/${page} th REGEX "^\\.TH ")
  if(NOT th MATCHES "\"qarn ${PROJECT_VERSION}\"")
    message(FATAL_ERROR "docs/man/${page}: its .TH line names another version than ${PROJECT_VERSION}: ${th}")
  endif()
endforeach()

# Man pages and the changelog are installed compressed without a time stamp
# (gzip -9n), as Debian expects, so that package builds are reproducible.
set(QARN_GZ_FILES)
foreach(src ${CMAKE_SOURCE_DIR}/docs/man/qarn.1 ${CMAKE_SOURCE_DIR}/docs/man/qarn-mksurface.1
           ${CMAKE_BINARY_DIR}/packaging/changelog)
  get_filename_component(name ${src} NAME)
  set(out ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${src} ${out}
    DEPENDS ${src} VERBATIM)
  list(APPEND QARN_GZ_FILES ${out})
endforeach()
add_custom_target(qarn-install-files ALL DEPENDS ${QARN_GZ_FILES})

install(TARGETS qarn DESTINATION ${QARN_VIEWER_DIR})
install(TARGETS qarn-mksurface DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/qarn DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/Qarns.Bmp DESTINATION ${QARN_MAP_DIR})
install(FILES packaging/${QARN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${QARN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/packaging/qarn.1.gz ${CMAKE_BINARY_DIR}/packaging/qarn-mksurface.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${QARN_DOC_DIR})

# Icons at the hicolor sizes, made from the viewer's picture of the near side
# (docs/icon.md).
foreach(size 16 32 48 64 128 256)
  install(FILES packaging/icons/qarn-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${QARN_APP_ID}.png)
endforeach()
