list(APPEND TEST_SOURCES
  standin/store/host_document_test.cpp
  standin/store/record_layouts_test.cpp
  standin/store/selection_test.cpp
  standin/documents/document_file_test.cpp
  standin/documents/example_documents_test.cpp
  standin/documents/text_file_test.cpp
  standin/documents/score_generator_test.cpp
  standin/reports/document_picture_test.cpp
  standin/reports/document_diff_test.cpp
  standin/program/quillo_tool_test.cpp
  standin/program/worker_report_reader_test.cpp
  standin/record_table_test.cpp
  standin/scratch_folder.cpp
  standin/score_builder.cpp
)
