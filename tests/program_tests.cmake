# End-to-end tests of the quillo program, natively: it loads the built module
# from disk and works on document files in a scratch folder.
add_library(incomplete_module MODULE ${CMAKE_CURRENT_SOURCE_DIR}/program/incomplete_module.cpp)
set_target_properties(incomplete_module PROPERTIES PREFIX "")

foreach(group help run bad-input examples)
  add_test(NAME program.${group}
    COMMAND ${CMAKE_COMMAND} -E env
            QUILLO=$<TARGET_FILE:quillo> MODULE=$<TARGET_FILE:zkstartnewpiece>
            INCOMPLETE=$<TARGET_FILE:incomplete_module> SOURCE=${PROJECT_SOURCE_DIR}
            WORK=${CMAKE_CURRENT_BINARY_DIR}/program/${group}
            ${CMAKE_CURRENT_SOURCE_DIR}/program/quillo_program_test.sh ${group})
endforeach()
