# Run by CPack once the installer's files are staged and before makensis:
# the names of what the installer puts into the program folder, relative to
# it and sorted, joined with "|", for the installer to record and to compare
# with the list of the install it replaces.
file(GLOB_RECURSE qarn_files LIST_DIRECTORIES false RELATIVE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(SORT qarn_files)
# The installer deletes by a recorded list plain names only, never a path.
foreach(name IN LISTS qarn_files)
  if(name MATCHES "/")
    message(FATAL_ERROR "the installer would put ${name} into a subfolder: it records plain names only")
  endif()
endforeach()
string(REPLACE ";" "|" CPACK_QARN_INSTALLED_FILES "${qarn_files}")
