# Login and user creation, the about and licence dialogs, the web-site command.
# Their plain rule code lives in the core library.
target_sources(vantrel_core PRIVATE
    ${CMAKE_SOURCE_DIR}/src/storage/login.cpp
    ${CMAKE_SOURCE_DIR}/src/storage/rtf_reader.cpp
    ${CMAKE_SOURCE_DIR}/src/storage/system_info.cpp
)
target_sources(vantrel_forms PRIVATE
    ${CMAKE_SOURCE_DIR}/src/forms/about.cpp
    ${CMAKE_SOURCE_DIR}/src/forms/eula.cpp
    ${CMAKE_SOURCE_DIR}/src/forms/site.cpp
    ${CMAKE_SOURCE_DIR}/src/forms/user_pwd.cpp
)
