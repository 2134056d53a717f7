list(APPEND MODULE_SOURCES
  # system splitter and indent fixer
  operations/part_system_splitter.cpp
  operations/part_indent_fixer.cpp
  # multimeasure-rest and measure-number-region splitters
)
