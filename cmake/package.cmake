# Writes the release archives; run by the release_package target as
#   cmake -DVERSION=1.0.0 -DMODULE=.../ZKStartNewPiece.qxt -DSYMBOLS=....debug
#         -DGUIDE=docs/install.md -DCHANGES=CHANGES.md -DOUT=dist -DDATE=... -P package.cmake
# OUT/ZKStartNewPiece-VERSION-win64.zip holds the module, the install guide,
# the change list and SHA256SUMS; OUT/ZKStartNewPiece-VERSION-win64-symbols.zip
# holds the symbols file. DATE is the time stamp every archived file gets.
foreach(input VERSION MODULE SYMBOLS GUIDE CHANGES OUT DATE)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "package.cmake: -D${input}=... is missing")
  endif()
endforeach()

# The change list must describe this version before it is packaged.
file(STRINGS ${CHANGES} headings REGEX "^## ")
list(GET headings 0 latest)
if(NOT latest MATCHES "^## ${VERSION}( |$)")
  message(FATAL_ERROR "${CHANGES}: its latest entry is \"${latest}\", not version ${VERSION}; "
                      "add a \"## ${VERSION}\" section first")
endif()

set(name ZKStartNewPiece-${VERSION}-win64)
set(stage ${OUT}/${name})
file(REMOVE_RECURSE ${stage} ${stage}-symbols)
file(MAKE_DIRECTORY ${stage} ${stage}-symbols)
file(COPY_FILE ${MODULE} ${stage}/ZKStartNewPiece.qxt)
file(COPY_FILE ${GUIDE} ${stage}/INSTALL.md)
file(COPY_FILE ${CHANGES} ${stage}/CHANGES.md)
get_filename_component(symbols_name ${SYMBOLS} NAME)
file(COPY_FILE ${SYMBOLS} ${stage}-symbols/${symbols_name})

set(files ZKStartNewPiece.qxt INSTALL.md CHANGES.md)
set(sums "")
foreach(file ${files})
  file(SHA256 ${stage}/${file} hash)
  string(APPEND sums "${hash}  ${file}\n")
endforeach()
file(WRITE ${stage}/SHA256SUMS "${sums}")

function(zip folder archive)
  file(REMOVE ${archive})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${archive} --format=zip --mtime=${DATE}
                          -- ${ARGN}
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "package.cmake: cannot write ${archive}")
  endif()
endfunction()
zip(${stage} ${OUT}/${name}.zip ${files} SHA256SUMS)
zip(${stage}-symbols ${OUT}/${name}-symbols.zip ${symbols_name})
file(REMOVE_RECURSE ${stage} ${stage}-symbols)
message(STATUS "wrote ${OUT}/${name}.zip and ${OUT}/${name}-symbols.zip")
