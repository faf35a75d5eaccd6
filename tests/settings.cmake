tarnholm_add_test(NAME settings
  SOURCES
    settings_file_test.cpp
    settings_store_test.cpp
    settings_password_test.cpp
  LIBS tarnholm_settings)
