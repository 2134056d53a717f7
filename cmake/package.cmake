# Writes the release archives; run by the release_package target as
#   cmake -DVERSION=1.0.0 -DMODULE=.../ZKStartNewPiece.qxt -DSYMBOLS=....debug
#         -DGUIDE=docs/install.md -DCHANGES=CHANGES.md -DOUT=dist -DSOURCE=.
#         -DZIP=/usr/bin/zip -P package.cmake
# OUT/ZKStartNewPiece-VERSION-win64.zip holds the module, the install guide,
# the change list and SHA256SUMS; OUT/ZKStartNewPiece-VERSION-win64-symbols.zip
# holds the symbols file; OUT/SOURCE_DATE_EPOCH the time the archived files
# carry, in seconds since 1970.
#
# The archives depend on nothing but the files they hold and the commit:
# every file carries one time, SOURCE_DATE_EPOCH when it is set, else the
# time of the commit in SOURCE (git log -1 --format=%ct), else (outside git)
# the date of the version's entry in CHANGES.md; times are written in UTC;
# every file has the permissions rw-r--r--; and no owner, group or access
# time is stored (zip -X).
foreach(input VERSION MODULE SYMBOLS GUIDE CHANGES OUT SOURCE ZIP)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "package.cmake: -D${input}=... is missing")
  endif()
endforeach()

# The change list must describe this version before it is packaged.
include(${CMAKE_CURRENT_LIST_DIR}/check_changes.cmake)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${SOURCE} log -1 --format=%ct OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0 AND latest MATCHES "([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])")
    execute_process(COMMAND date -u -d "${CMAKE_MATCH_1} 00:00:00 UTC" +%s
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "package.cmake: no time for the archived files: SOURCE_DATE_EPOCH is not "
                      "set, ${SOURCE} is not in git, and \"${latest}\" has no date")
endif()
set(stamp "@${epoch}")
# Kept beside the archives, so that a second build can be given the same time.
file(WRITE ${OUT}/SOURCE_DATE_EPOCH "${epoch}\n")

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
  foreach(file ${ARGN})
    file(CHMOD ${folder}/${file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
  execute_process(COMMAND touch -d ${stamp} -- ${ARGN} WORKING_DIRECTORY ${folder}
                  RESULT_VARIABLE touched)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -X -D -q ${archive} ${ARGN}
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE status)
  if(NOT touched EQUAL 0 OR NOT status EQUAL 0)
    message(FATAL_ERROR "package.cmake: cannot write ${archive}")
  endif()
endfunction()
zip(${stage} ${OUT}/${name}.zip ${files} SHA256SUMS)
zip(${stage}-symbols ${OUT}/${name}-symbols.zip ${symbols_name})
file(REMOVE_RECURSE ${stage} ${stage}-symbols)
message(STATUS "wrote ${OUT}/${name}.zip and ${OUT}/${name}-symbols.zip")
