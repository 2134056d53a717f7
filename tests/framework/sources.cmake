list(APPEND TEST_SOURCES
  framework/base_test.cpp
  framework/base_data_test.cpp
  framework/collection_test.cpp
  framework/string_test.cpp
  framework/record_pool_test.cpp
)
