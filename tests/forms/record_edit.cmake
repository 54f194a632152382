# Record editor, date field, calendar dialog and the wizard window.
vantrel_add_test(date_text_tests ${CMAKE_SOURCE_DIR}/tests/storage/date_text_test.cpp)
vantrel_add_gui_test(date_edit_tests ${CMAKE_CURRENT_LIST_DIR}/date_edit_test.cpp)
vantrel_add_gui_test(calendar_dialog_tests ${CMAKE_CURRENT_LIST_DIR}/calendar_dialog_test.cpp)
vantrel_add_gui_test(record_edit_tests ${CMAKE_CURRENT_LIST_DIR}/record_edit_test.cpp)
