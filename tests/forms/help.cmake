# Tests of the login, about and licence pieces (plain rule code and windows).
vantrel_add_test(help_core_tests
    ${CMAKE_SOURCE_DIR}/tests/storage/login_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/storage/rtf_reader_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/storage/system_info_test.cpp
)
