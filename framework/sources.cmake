list(APPEND MODULE_SOURCES
  framework/base.cpp
  framework/base_data.cpp
  framework/record_pool.cpp
  framework/no_inci_other.cpp
  framework/inci_other.cpp
  framework/prefs_base.cpp
  framework/string.cpp
  framework/iterator_handler.cpp
  framework/collection.cpp
  framework/collection_data.cpp
  framework/collection_inci_other.cpp
)
