# The stand-in host's own sources beyond the service store; see CMakeLists.txt.
list(APPEND STANDIN_SOURCES
  record_layouts.cpp
  document_file.cpp
  text_file.cpp
  score_view.cpp
  document_picture.cpp
  document_diff.cpp
  selection.cpp
  module_session.cpp
  example_documents.cpp
  quillo_tool.cpp
)
