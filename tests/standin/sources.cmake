list(APPEND TEST_SOURCES
  standin/host_document_test.cpp
)
