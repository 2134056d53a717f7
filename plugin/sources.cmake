list(APPEND MODULE_SOURCES
  plugin/music_region.cpp
  plugin/menu_table.cpp
  plugin/extension_entry.cpp
  plugin/start_new_piece.cpp
  plugin/fix_indent.cpp
)
