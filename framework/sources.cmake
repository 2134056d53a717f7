list(APPEND MODULE_SOURCES
  framework/base.cpp
)
