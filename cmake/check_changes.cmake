# The change list describes the version being built: its latest entry, the
# first "## " heading of CHANGES.md, names VERSION.
#
# Run as: cmake -DCHANGES=CHANGES.md -DVERSION=1.2.3 -P check_changes.cmake
# (the native test docs.changes_version), or included by package.cmake with
# both set. Fails naming the file and the heading to add.
foreach(input CHANGES VERSION)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "check_changes.cmake: -D${input}=... is missing")
  endif()
endforeach()
file(STRINGS ${CHANGES} headings REGEX "^## " ENCODING UTF-8)
if(NOT headings)
  message(FATAL_ERROR "${CHANGES}: no \"## \" entry; add a \"## ${VERSION}\" section first")
endif()
list(GET headings 0 latest)
if(NOT latest MATCHES "^## ${VERSION}( |$)")
  message(FATAL_ERROR "${CHANGES}: its latest entry is \"${latest}\", not version ${VERSION}; "
                      "add a \"## ${VERSION}\" section first")
endif()
