# The Windows release file, ZKStartNewPiece.qxt, as it reaches a user:
# - a version resource with the project's version;
# - no unused code (each function and datum in its own section, unreferenced
#   ones dropped by the linker);
# - byte for byte the same from any folder at any time: no time stamp in the
#   PE header, no build folder in the file or its symbols;
# - no debug sections: the debug information goes to ZKStartNewPiece.qxt.debug
#   beside it, which the .qxt names in a GNU debug link, so a crash address can
#   still be turned into a function and line.
# Included from the top-level CMakeLists.txt after the zkstartnewpiece target.

set(QUILLO_MODULE_NAME ZKStartNewPiece)
set(QUILLO_MODULE_FILE ${QUILLO_MODULE_NAME}.qxt)
set(QUILLO_MODULE_DESCRIPTION "ZK Start New Piece plug-in for Quillo")
set(QUILLO_PRODUCT_NAME "ZK Start New Piece")
set(QUILLO_SYMBOLS_FILE ${QUILLO_MODULE_FILE}.debug)

configure_file(${PROJECT_SOURCE_DIR}/plugin/version.rc.in
               ${PROJECT_BINARY_DIR}/generated/version.rc @ONLY)
target_sources(zkstartnewpiece PRIVATE ${PROJECT_BINARY_DIR}/generated/version.rc)

# Paths in the objects and symbols read relative to the source tree
# ("plugin/...", with "." as the folder compiled in), wherever the source and
# build folders lie. The build folder's map comes last because it may lie
# inside the source tree: the last matching map wins.
set(QUILLO_PREFIX_MAPS
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
    -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
foreach(target module_objects zkstartnewpiece)
  target_compile_options(${target} PRIVATE -g -ffunction-sections -fdata-sections
                                            ${QUILLO_PREFIX_MAPS})
endforeach()
target_link_options(zkstartnewpiece PRIVATE -Wl,--gc-sections -Wl,--no-insert-timestamp)

find_program(MINGW_OBJCOPY x86_64-w64-mingw32-objcopy REQUIRED)
# Keep the debug information aside, strip the file, and link the two; the
# link holds the symbols file's name and checksum. objcopy writes the time of
# day into the PE header of every file it writes, unless SOURCE_DATE_EPOCH
# gives it a time: 0, as the linker left it.
set(QUILLO_OBJCOPY ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${MINGW_OBJCOPY})
add_custom_command(TARGET zkstartnewpiece POST_BUILD
  COMMAND ${QUILLO_OBJCOPY} --only-keep-debug ${QUILLO_MODULE_FILE} ${QUILLO_SYMBOLS_FILE}
  COMMAND ${QUILLO_OBJCOPY} --strip-all ${QUILLO_MODULE_FILE}
  COMMAND ${QUILLO_OBJCOPY} --add-gnu-debuglink=${QUILLO_SYMBOLS_FILE} ${QUILLO_MODULE_FILE}
  WORKING_DIRECTORY ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}
  BYPRODUCTS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/${QUILLO_SYMBOLS_FILE}
  VERBATIM)

# The release archives, in the build folder's dist/ (./dev package copies
# them to the source tree's dist/). Every archived file carries the time of
# the commit built, not the build time (package.cmake), so the archives are
# written on every build: a new commit changes them even when no file did.
find_program(QUILLO_ZIP zip REQUIRED)
set(QUILLO_PACKAGE_NAME ${QUILLO_MODULE_NAME}-${PROJECT_VERSION}-win64)
set(QUILLO_PACKAGE ${PROJECT_BINARY_DIR}/dist/${QUILLO_PACKAGE_NAME}.zip)
set(QUILLO_SYMBOLS_PACKAGE ${PROJECT_BINARY_DIR}/dist/${QUILLO_PACKAGE_NAME}-symbols.zip)
add_custom_target(release_package ALL
  COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DMODULE=$<TARGET_FILE:zkstartnewpiece>
          -DSYMBOLS=${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/${QUILLO_SYMBOLS_FILE}
          -DGUIDE=${PROJECT_SOURCE_DIR}/docs/install.md -DCHANGES=${PROJECT_SOURCE_DIR}/CHANGES.md
          -DOUT=${PROJECT_BINARY_DIR}/dist -DSOURCE=${PROJECT_SOURCE_DIR} -DZIP=${QUILLO_ZIP}
          -P ${PROJECT_SOURCE_DIR}/cmake/package.cmake
  BYPRODUCTS ${QUILLO_PACKAGE} ${QUILLO_SYMBOLS_PACKAGE}
  DEPENDS zkstartnewpiece
  VERBATIM)
