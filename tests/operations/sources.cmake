list(APPEND TEST_SOURCES
  # system splitter and indent fixer
  operations/part_system_splitter_test.cpp
  operations/part_indent_fixer_test.cpp
  # multimeasure-rest and measure-number-region splitters
  operations/measure_number_region_splitter_test.cpp
  operations/part_mm_rest_splitter_test.cpp
)
