list(APPEND MODULE_SOURCES
  host/host_version.cpp
  host/host_services.cpp
  host/legacy_prefs.cpp
)
