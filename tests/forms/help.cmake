# Tests of the login, about and licence pieces (plain rule code and windows).
vantrel_add_test(help_core_tests
    ${CMAKE_SOURCE_DIR}/tests/storage/login_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/storage/rtf_reader_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/storage/system_info_test.cpp
)
vantrel_add_gui_test(help_gui_tests
    ${CMAKE_SOURCE_DIR}/tests/forms/about_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/forms/eula_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/forms/user_pwd_test.cpp
)
# The shipped licence text is read by one of the tests.
target_compile_definitions(help_gui_tests PRIVATE VANTREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
