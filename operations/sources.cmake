list(APPEND MODULE_SOURCES
  # system splitter and indent fixer
  operations/part_system_splitter.cpp
  operations/part_indent_fixer.cpp
  # multimeasure-rest and measure-number-region splitters
  operations/measure_number_region_splitter.cpp
  operations/part_mm_rest_splitter.cpp
)
