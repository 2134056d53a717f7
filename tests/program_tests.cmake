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

foreach(group help run bad-input hostile examples)
  add_test(NAME program.${group}
    COMMAND ${CMAKE_COMMAND} -E env
            QUILLO=$<TARGET_FILE:quillo> MODULE=$<TARGET_FILE:zkstartnewpiece>
            INCOMPLETE=$<TARGET_FILE:incomplete_module>
            RECORDING=$<TARGET_FILE:recording_module> SOURCE=${PROJECT_SOURCE_DIR}
            WORK=${CMAKE_CURRENT_BINARY_DIR}/program/${group}
            ${CMAKE_CURRENT_SOURCE_DIR}/program/quillo_program_test.sh ${group})
endforeach()
