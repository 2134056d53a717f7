list(APPEND MODULE_SOURCES
  records/part.cpp
  records/parts.cpp
  # measures and staff systems
  records/measure.cpp
  records/staff_system.cpp
  records/system_staff.cpp
  records/freeze_system.cpp
  records/staff_systems.cpp
  records/system_staves.cpp
  # measure-number regions, enclosures, multimeasure rests and their preferences
  records/enclosure.cpp
  records/measure_number_region.cpp
  records/measure_number_regions.cpp
  records/multi_measure_rest_prefs.cpp
  records/multi_measure_rest.cpp
  records/multi_measure_rests.cpp
)
