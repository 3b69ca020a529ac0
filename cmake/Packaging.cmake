# Debian package with CPack: `make package` (cpack -G DEB in its own build).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qarn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "qarn developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

# The maintainer is the team, not a person. Debian's tools require an address
# with it; the default is the one the project's commits are recorded under.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QARN_MAINTAINER}")
# There is no Homepage field: the project has no web site yet.
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libGL dispatches to a vendor driver; Mesa's gives the software renderer.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, libglx-mesa0")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen viewer of a textured lunar globe")
# Extended description; CPack indents each line and turns the empty line
# into the paragraph mark " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "qarn shows the Moon as a textured globe, full screen, from the distance at
which it is seen from the Earth down to about 110 km above the surface. The
globe follows the mouse, turns by itself, or steps through the six crewed
Apollo landing sites with each mission's dates and crew. A 10-degree grid,
its numbers and the names of twelve surface features turn with the globe;
stereo pairs, read-outs of elevation, field of view, latitude and longitude,
and screen dumps to BMP files complete it. It needs only OpenGL 1.1, GLU and
freeglut; Mesa's software renderer is enough.

The package holds the viewer with a public-domain lunar map, the qarn
launcher, and qarn-mksurface, which makes the viewer's surface image from
other global maps of the Moon.")

include(CPack)
