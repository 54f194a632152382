# Main window and its rule code. The rule code is Qt-free and goes into the core.
target_sources(vantrel_core PRIVATE
    ${CMAKE_SOURCE_DIR}/src/storage/file_commands.cpp
    ${CMAKE_SOURCE_DIR}/src/storage/main_commands.cpp
)
target_sources(vantrel_forms PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/main_window.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/record_table_model.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/icons.cpp
)
