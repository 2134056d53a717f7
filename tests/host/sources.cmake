list(APPEND TEST_SOURCES
  host/host_services_test.cpp
  host/legacy_prefs_test.cpp
)
