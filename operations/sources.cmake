list(APPEND MODULE_SOURCES
  # system splitter and indent fixer
  # multimeasure-rest and measure-number-region splitters
)
