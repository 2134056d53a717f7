list(APPEND TEST_SOURCES
  framework/base_test.cpp
)
