# End-to-end tests of the quillo program, natively: it loads the built module
# from disk and works on document files in a scratch folder.
# Three stand-in modules: one lacking entry points, one that records what the
# host hands it (in the layouts of the host's own description of its records),
# one that crashes, exits or hangs where the test asks.
set(recording_module_SOURCES ${PROJECT_SOURCE_DIR}/standin/store/record_layouts.cpp)
foreach(fake incomplete recording hostile)
  add_library(${fake}_module MODULE ${CMAKE_CURRENT_SOURCE_DIR}/program/${fake}_module.cpp
    ${${fake}_module_SOURCES})
  set_target_properties(${fake}_module PROPERTIES PREFIX "")
  target_compile_options(${fake}_module PRIVATE ${QUILLO_WARNINGS})
  # The record tags, layouts and the selection layout of the stand-in host.
  target_include_directories(${fake}_module PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${fake}_module PRIVATE ${CMAKE_DL_LIBS})
endforeach()

foreach(group help run bad-input hostile examples)
  add_test(NAME program.${group}
    COMMAND ${CMAKE_COMMAND} -E env
            QUILLO=$<TARGET_FILE:quillo> MODULE=$<TARGET_FILE:zkstartnewpiece>
            INCOMPLETE=$<TARGET_FILE:incomplete_module>
            RECORDING=$<TARGET_FILE:recording_module> HOSTILE=$<TARGET_FILE:hostile_module>
            SOURCE=${PROJECT_SOURCE_DIR}
            WORK=${CMAKE_CURRENT_BINARY_DIR}/program/${group}
            ${CMAKE_CURRENT_SOURCE_DIR}/program/quillo_program_test.sh ${group})
endforeach()

# A module that answers 1 for every menu index: the program stops asking.
add_library(endless_menu_module MODULE ${CMAKE_CURRENT_SOURCE_DIR}/program/endless_menu_module.cpp)
set_target_properties(endless_menu_module PROPERTIES PREFIX "")
target_compile_options(endless_menu_module PRIVATE ${QUILLO_WARNINGS})
include(${CMAKE_CURRENT_SOURCE_DIR}/program/menu_limit_tests.cmake)
quillo_menu_limit_tests(program endless_menu_module)
