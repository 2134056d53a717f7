list(APPEND TEST_SOURCES
  records/parts_test.cpp
  # every record's layout, the module's against the host's description
  records/record_layouts_agree_test.cpp
  # measures and staff systems
  records/measure_test.cpp
  records/staff_system_test.cpp
  # measure-number regions, enclosures, multimeasure rests and their preferences
  records/measure_number_region_test.cpp
  records/multi_measure_rest_test.cpp
)
