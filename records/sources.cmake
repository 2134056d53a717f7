list(APPEND MODULE_SOURCES
  records/part.cpp
  records/parts.cpp
  # measures and staff systems
  # measure-number regions, enclosures, multimeasure rests and their preferences
)
