# End-to-end tests of the quillo program, natively: it loads the built module
# from disk and works on document files in a scratch folder.
# Two stand-in modules: one lacking entry points, one that records what the
# host hands it.
foreach(fake incomplete recording)
  add_library(${fake}_module MODULE ${CMAKE_CURRENT_SOURCE_DIR}/program/${fake}_module.cpp)
  set_target_properties(${fake}_module PROPERTIES PREFIX "")
  target_compile_options(${fake}_module PRIVATE ${QUILLO_WARNINGS})
  target_link_libraries(${fake}_module PRIVATE ${CMAKE_DL_LIBS})
endforeach()

foreach(group help run bad-input examples)
  add_test(NAME program.${group}
    COMMAND ${CMAKE_COMMAND} -E env
            QUILLO=$<TARGET_FILE:quillo> MODULE=$<TARGET_FILE:zkstartnewpiece>
            INCOMPLETE=$<TARGET_FILE:incomplete_module>
            RECORDING=$<TARGET_FILE:recording_module> SOURCE=${PROJECT_SOURCE_DIR}
            WORK=${CMAKE_CURRENT_BINARY_DIR}/program/${group}
            ${CMAKE_CURRENT_SOURCE_DIR}/program/quillo_program_test.sh ${group})
endforeach()

# A module that answers 1 for every menu index: the program stops asking at
# its limit, in the menu listing and in a run alike, and says so.
add_library(endless_menu_module MODULE ${CMAKE_CURRENT_SOURCE_DIR}/program/endless_menu_module.cpp)
set_target_properties(endless_menu_module PROPERTIES PREFIX "")
target_compile_options(endless_menu_module PRIVATE ${QUILLO_WARNINGS})
set(QUILLO_MENU_LIMIT_MESSAGE
    "quillo: [^\n]*endless_menu_module[^\n]*: the module offers more than 64 menu items; only the first 64 are used\n")
add_test(NAME program.menu_limit.menus
  COMMAND quillo menus --probe --module $<TARGET_FILE:endless_menu_module>)
add_test(NAME program.menu_limit.run
  COMMAND quillo run ${PROJECT_SOURCE_DIR}/examples/three-parts.json
          --module $<TARGET_FILE:endless_menu_module> -c "Item 63" -m 9
          -o ${CMAKE_CURRENT_BINARY_DIR}/menu_limit.json)
set_tests_properties(program.menu_limit.menus PROPERTIES TIMEOUT 30
  PASS_REGULAR_EXPRESSION
  "menu 63 \\(UTF-16\\): \"Item 63\"[^\n]*\n${QUILLO_MENU_LIMIT_MESSAGE}probe: invoke\\(64\\)"
  FAIL_REGULAR_EXPRESSION "menu 64")
set_tests_properties(program.menu_limit.run PROPERTIES TIMEOUT 30
  PASS_REGULAR_EXPRESSION "^${QUILLO_MENU_LIMIT_MESSAGE}[^\n]*module answered 0x10000000[^\n]*\n, measures 9: answered 0;")
