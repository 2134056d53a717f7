# The host version that the `menus` tests report: the first with the long
# measure layout, the version `quillo menus --help` gives as its example. The
# module's threshold is read here; RecordLayoutsAgreeTest holds the stand-in's
# record table, from which the program takes it, to the same number.
#
# quillo_menus_host_version(OUT): sets OUT to the version, as 0x followed by
# eight hexadecimal digits.
function(quillo_menus_host_version out)
  set(header ${PROJECT_SOURCE_DIR}/host/host_version.h)
  set(line "^inline constexpr uint32_t kLongMeasureLayoutFrom = (0x[0-9A-Fa-f]+)")
  file(STRINGS ${header} found REGEX "${line}")
  if(NOT found)
    message(FATAL_ERROR "${header}: no line \"inline constexpr uint32_t "
                        "kLongMeasureLayoutFrom = 0x...;\"; the menus tests read their host "
                        "version from it")
  endif()
  string(REGEX MATCH "${line}" matched "${found}")
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# The output that `quillo menus --probe --host-version VERSION` must print for
# the module, built from the host's list of the module's menu
# (standin/store/menu_commands.h), so that the native and the Windows tests
# expect the same menu and a command added to that list is expected
# everywhere.
#
# quillo_menus_expectation(OUT VERSION): sets OUT to the regular expression.
function(quillo_menus_expectation out version)
  set(list_file ${PROJECT_SOURCE_DIR}/standin/store/menu_commands.h)
  set(row "^    {\"([^\"]*)\", \"([^\"]*)\", \"([^\"]*)\", [^}]*},$")
  file(STRINGS ${list_file} rows REGEX "${row}")
  set(expected "version: host ${version}, module answered 0x10000000")
  set(index 0)
  foreach(line IN LISTS rows)
    string(REGEX MATCH "${row}" matched "${line}")
    set(texts)
    foreach(n 1 2 3)
      set(text "${CMAKE_MATCH_${n}}")
      foreach(special \\ . * + ? ^ $ | [ ] \( \))
        string(REPLACE "${special}" "\\${special}" text "${text}")
      endforeach()
      # A semicolon would split the expression into a list of alternatives.
      string(REPLACE ";" "." text "${text}")
      list(APPEND texts "\"${text}\"")
    endforeach()
    list(JOIN texts " / " item)
    string(APPEND expected ".*menu ${index}: ${item}\n.*menu ${index} \\(UTF-16\\): ${item}\n")
    math(EXPR index "${index} + 1")
  endforeach()
  if(index EQUAL 0)
    message(FATAL_ERROR "${list_file}: no menu command rows found; keep each row of "
                        "kMenuCommands on one line, in the form {\"menu text\", \"description\", "
                        "\"short name\", least start measure, \"changes\"},")
  endif()
  # The first index past the menu runs nothing and asks only for the document.
  string(APPEND expected ".*probe: invoke\\(${index}\\) answered 0. "
                         "the module called the host 1 time\\(s\\): GetCurrentCantorDocument")
  set(${out} "${expected}" PARENT_SCOPE)
endfunction()
