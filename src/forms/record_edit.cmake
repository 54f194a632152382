# Record editor, date field, calendar dialog and the wizard window.
target_sources(vantrel_core PRIVATE
    ${CMAKE_SOURCE_DIR}/src/storage/date_text.cpp
    ${CMAKE_SOURCE_DIR}/src/storage/date_calendar.cpp
    ${CMAKE_SOURCE_DIR}/src/storage/record_edit_rules.cpp
)
target_sources(vantrel_forms PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/record_edit_icons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/date_edit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/calendar_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_edit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wizard.cpp
)
