list(APPEND TEST_SOURCES
  host/byte_order_test.cpp
  host/host_services_test.cpp
  host/legacy_prefs_test.cpp
)
