# The quillo program's end-to-end tests under Wine, and the check that the
# Windows build gives byte for byte the results of the native one.
set(recording_module_SOURCES ${PROJECT_SOURCE_DIR}/standin/store/record_layouts.cpp)
foreach(fake incomplete recording hostile)
  add_library(${fake}_module MODULE ${PROJECT_SOURCE_DIR}/tests/program/${fake}_module.cpp
    ${${fake}_module_SOURCES})
  set_target_properties(${fake}_module PROPERTIES PREFIX "" SUFFIX ".qxt")
  target_compile_options(${fake}_module PRIVATE ${QUILLO_WARNINGS})
  # The record tags, layouts and the selection layout of the stand-in host.
  target_include_directories(${fake}_module PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_options(${fake}_module PRIVATE -static -static-libgcc -static-libstdc++)
endforeach()

foreach(group help run bad-input)
  add_test(NAME windows.program.${group}
    COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} WINE=${WINE_PROGRAM}
            QUILLO=$<TARGET_FILE:quillo> MODULE=$<TARGET_FILE:zkstartnewpiece>
            INCOMPLETE=$<TARGET_FILE:incomplete_module>
            RECORDING=$<TARGET_FILE:recording_module> HOSTILE=$<TARGET_FILE:hostile_module>
            SOURCE=${PROJECT_SOURCE_DIR} WORK=${CMAKE_CURRENT_BINARY_DIR}/program/${group}
            ${PROJECT_SOURCE_DIR}/tests/program/quillo_program_test.sh ${group})
  set_tests_properties(windows.program.${group} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endforeach()

# Needs the native tree too; skipped (exit 77) when it has not been built.
set(QUILLO_NATIVE_PROGRAM ${PROJECT_SOURCE_DIR}/build/native/bin/quillo CACHE FILEPATH
    "The native quillo program whose results the Windows build must match")
add_test(NAME windows.same_as_native
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV}
          ${PROJECT_SOURCE_DIR}/scripts/compare-builds ${QUILLO_NATIVE_PROGRAM}
          $<TARGET_FILE:quillo>)
set_tests_properties(windows.same_as_native PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300
  SKIP_RETURN_CODE 77)

# Load, command, unload, several thousand times in one QUILLO.EXE: the
# program compares what the process holds after the warm-up and at the end
# (thread-local slots, handles, committed memory) and fails if it grew.
add_test(NAME windows.load_cycles
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_PROGRAM} $<TARGET_FILE:quillo> cycles 5000
          --module $<TARGET_FILE:zkstartnewpiece>)
set_tests_properties(windows.load_cycles PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300
  PASS_REGULAR_EXPRESSION "after 5000 cycles: .*nothing grew")

# A test build of the module whose allocations fail on demand (see
# failing_allocator.cpp): QUILLO.EXE stays up when memory runs out in the
# middle of a command, the command answers 0 and the document keeps every
# record. The shipped module carries no such switch.
add_library(failing_allocation_module MODULE $<TARGET_OBJECTS:module_objects>
  ${PROJECT_SOURCE_DIR}/plugin/dll_main.cpp ${PROJECT_SOURCE_DIR}/plugin/runtime_hooks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/failing_allocator.cpp)
set_target_properties(failing_allocation_module PROPERTIES PREFIX "" SUFFIX ".qxt")
target_include_directories(failing_allocation_module PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(failing_allocation_module PRIVATE ${QUILLO_WARNINGS})
target_link_options(failing_allocation_module PRIVATE -static -static-libgcc -static-libstdc++
  -Wl,--wrap=malloc)
add_test(NAME windows.allocation_failure
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} WINE=${WINE_PROGRAM}
          QUILLO=$<TARGET_FILE:quillo> MODULE=$<TARGET_FILE:zkstartnewpiece>
          FAILING=$<TARGET_FILE:failing_allocation_module> SOURCE=${PROJECT_SOURCE_DIR}
          WORK=${CMAKE_CURRENT_BINARY_DIR}/allocation_failure
          ${CMAKE_CURRENT_LIST_DIR}/allocation_failure_test.sh)
set_tests_properties(windows.allocation_failure PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)

# Hosts other than QUILLO.EXE: the stand-in host built as Quillo2024.exe runs
# both commands (on its own thread, and from a second thread with the module
# loaded on the first) with the result QUILLO.EXE gets; a program that exports
# no services gets the answers of a host that holds nothing.
add_executable(other_host ${CMAKE_CURRENT_LIST_DIR}/other_host.cpp)
target_link_libraries(other_host PRIVATE standin_program)
target_compile_options(other_host PRIVATE ${QUILLO_WARNINGS})
set_target_properties(other_host PROPERTIES OUTPUT_NAME Quillo2024 ENABLE_EXPORTS ON)
target_link_options(other_host PRIVATE -static -static-libgcc -static-libstdc++)
add_executable(bare_host ${CMAKE_CURRENT_LIST_DIR}/bare_host.cpp)
target_compile_options(bare_host PRIVATE ${QUILLO_WARNINGS})
target_link_options(bare_host PRIVATE -static -static-libgcc -static-libstdc++)
add_test(NAME windows.other_hosts
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} WINE=${WINE_PROGRAM}
          QUILLO=$<TARGET_FILE:quillo> OTHER=$<TARGET_FILE:other_host>
          BARE=$<TARGET_FILE:bare_host> MODULE=$<TARGET_FILE:zkstartnewpiece>
          SOURCE=${PROJECT_SOURCE_DIR} WORK=${CMAKE_CURRENT_BINARY_DIR}/other_hosts
          ${CMAKE_CURRENT_LIST_DIR}/other_hosts_test.sh)
set_tests_properties(windows.other_hosts PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)

# Load, Start New Piece cut short by a failed allocation, unload, a thousand
# times: the thrown exception must leave nothing behind in the process.
add_test(NAME windows.allocation_failure_cycles
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_PROGRAM} $<TARGET_FILE:other_host>
          oom-cycles $<TARGET_FILE:failing_allocation_module> 1000 10)
set_tests_properties(windows.allocation_failure_cycles PROPERTIES FIXTURES_REQUIRED wine
  TIMEOUT 300)

# A defect inside the module, in a windowed host: the test build reaches the
# C++ runtime's terminate handler on demand (see failing_allocator.cpp). The
# host's own unhandled-exception filter must see the fault, raised inside the
# module; a host without a filter must still end.
add_executable(guarded_host ${CMAKE_CURRENT_LIST_DIR}/guarded_host.cpp)
target_link_libraries(guarded_host PRIVATE standin_program)
target_compile_options(guarded_host PRIVATE ${QUILLO_WARNINGS})
set_target_properties(guarded_host PROPERTIES WIN32_EXECUTABLE ON)
target_link_options(guarded_host PRIVATE -static -static-libgcc -static-libstdc++)
add_test(NAME windows.module_defect
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} WINE=${WINE_PROGRAM} OBJDUMP=${MINGW_OBJDUMP}
          HOST=$<TARGET_FILE:guarded_host>
          FAILING=$<TARGET_FILE:failing_allocation_module>
          WORK=${CMAKE_CURRENT_BINARY_DIR}/module_defect
          ${CMAKE_CURRENT_LIST_DIR}/module_defect_test.sh)
set_tests_properties(windows.module_defect PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
