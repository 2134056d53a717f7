# quillo_menu_limit_tests(PREFIX MODULE_TARGET [LAUNCHER...]): the quillo
# program, started through LAUNCHER (nothing natively, Wine for Windows),
# loads MODULE_TARGET, a module that answers 1 for every menu index, and
# stops asking at its limit in the menu listing and in a run alike, with a
# one-line message. Adds PREFIX.menu_limit.menus and PREFIX.menu_limit.run.
# (No ";" in the expressions: CMake would split them into alternatives.)
function(quillo_menu_limit_tests prefix module)
  set(message "quillo: [^\n]*${module}[^\n]*: stopped asking for menu items at the limit of 64 and uses only those\n")
  add_test(NAME ${prefix}.menu_limit.menus
    COMMAND ${ARGN} $<TARGET_FILE:quillo> menus --probe --module $<TARGET_FILE:${module}>)
  add_test(NAME ${prefix}.menu_limit.run
    COMMAND ${ARGN} $<TARGET_FILE:quillo> run ${PROJECT_SOURCE_DIR}/examples/three-parts.json
            --module $<TARGET_FILE:${module}> -c "Item 63" -m 9
            -o ${CMAKE_CURRENT_BINARY_DIR}/menu_limit.json)
  set_tests_properties(${prefix}.menu_limit.menus PROPERTIES TIMEOUT 120
    PASS_REGULAR_EXPRESSION "menu 63 \\(UTF-16\\): \"Item 63\"[^\n]*\n${message}probe: invoke\\(64\\)"
    FAIL_REGULAR_EXPRESSION "menu 64")
  set_tests_properties(${prefix}.menu_limit.run PROPERTIES TIMEOUT 120
    PASS_REGULAR_EXPRESSION "^${message}[^\n]*module answered 0x10000000[^\n]*\n, measures 9: answered 0[^0-9]")
endfunction()
