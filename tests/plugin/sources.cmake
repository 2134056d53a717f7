list(APPEND TEST_SOURCES
  plugin/extension_entry_test.cpp
  plugin/music_region_test.cpp
  plugin/fix_indent_test.cpp
  plugin/document_invariants_test.cpp
  plugin/start_new_piece_test.cpp
)
