list(APPEND TEST_SOURCES
  standin/host_document_test.cpp
  standin/record_layouts_test.cpp
  standin/document_file_test.cpp
  standin/text_file_test.cpp
  standin/selection_test.cpp
  standin/document_picture_test.cpp
  standin/document_diff_test.cpp
  standin/quillo_tool_test.cpp
  standin/scratch_folder.cpp
  standin/score_builder.cpp
)
