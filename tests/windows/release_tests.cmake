# The release file and package: the version resource read back through the
# Windows API, the package unpacked and used as a user would, the module
# rebuilt elsewhere byte for byte, and the quillo program's limit on a
# module's menu.
find_program(MINGW_ADDR2LINE x86_64-w64-mingw32-addr2line REQUIRED)

add_executable(read_version ${CMAKE_CURRENT_SOURCE_DIR}/version_reader.cpp)
target_compile_options(read_version PRIVATE ${QUILLO_WARNINGS})
target_link_libraries(read_version PRIVATE version)
target_link_options(read_version PRIVATE -static -static-libgcc -static-libstdc++)
add_test(NAME windows.version_resource
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_PROGRAM} $<TARGET_FILE:read_version>
          $<TARGET_FILE:zkstartnewpiece> ${PROJECT_VERSION} ${QUILLO_MODULE_DESCRIPTION}
          ${QUILLO_PRODUCT_NAME} ${QUILLO_MODULE_NAME} ${QUILLO_MODULE_FILE})
add_test(NAME windows.menus_file_version
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_PROGRAM} $<TARGET_FILE:quillo> menus)
set_tests_properties(windows.version_resource windows.menus_file_version PROPERTIES
  FIXTURES_REQUIRED wine TIMEOUT 120)
set_tests_properties(windows.menus_file_version PROPERTIES
  PASS_REGULAR_EXPRESSION "\nfile version: ${PROJECT_VERSION}\n")

add_test(NAME windows.package
  COMMAND ${CMAKE_COMMAND} -E env ${WINE_ENV} WINE=${WINE_PROGRAM} OBJDUMP=${MINGW_OBJDUMP}
          ADDR2LINE=${MINGW_ADDR2LINE} SOURCE=${PROJECT_SOURCE_DIR}
          ${CMAKE_CURRENT_SOURCE_DIR}/check_package.sh ${QUILLO_PACKAGE} ${QUILLO_SYMBOLS_PACKAGE}
          ${PROJECT_VERSION} $<TARGET_FILE:quillo> ${CMAKE_CURRENT_BINARY_DIR}/package)
set_tests_properties(windows.package PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)

# Builds the module target once more in a temporary folder.
add_test(NAME windows.reproducible
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-reproducible $<TARGET_FILE:zkstartnewpiece>)
set_tests_properties(windows.reproducible PROPERTIES TIMEOUT 1800)

# A module that answers 1 for every menu index: the program stops asking.
add_library(endless_menu_module MODULE ${PROJECT_SOURCE_DIR}/tests/program/endless_menu_module.cpp)
set_target_properties(endless_menu_module PROPERTIES PREFIX "" SUFFIX ".qxt")
target_compile_options(endless_menu_module PRIVATE ${QUILLO_WARNINGS})
target_link_options(endless_menu_module PRIVATE -static -static-libgcc -static-libstdc++)
include(${PROJECT_SOURCE_DIR}/tests/program/menu_limit_tests.cmake)
quillo_menu_limit_tests(windows endless_menu_module ${CMAKE_COMMAND} -E env ${WINE_ENV} ${WINE_PROGRAM})
set_tests_properties(windows.menu_limit.menus windows.menu_limit.run PROPERTIES
  FIXTURES_REQUIRED wine)
