# Tests of the main window, its rule code and the file commands.
vantrel_add_test(file_commands_tests ${CMAKE_SOURCE_DIR}/tests/storage/file_commands_test.cpp)
vantrel_add_test(main_commands_tests ${CMAKE_SOURCE_DIR}/tests/storage/main_commands_test.cpp)

vantrel_add_gui_test(main_window_tests ${CMAKE_CURRENT_SOURCE_DIR}/main_window_test.cpp)
# The start-up tests run the real program.
add_dependencies(main_window_tests vantrel)
target_compile_definitions(main_window_tests PRIVATE VANTREL_PROGRAM="$<TARGET_FILE:vantrel>"
    VANTREL_DEFAULT_SNAPSHOTS="${CMAKE_BINARY_DIR}/snapshots")
