# The settings window, profile management and the key generator, driven through
# the program's own event routing on the offscreen platform.
tarnholm_add_test(NAME settings_window GUI
  SOURCES gui_test_main.cpp settings_window_test.cpp settings_window_profiles_test.cpp
          settings_window_keygen_test.cpp
  LIBS tarnholm_app Qt6::Test)
# Start-up loads the backend; without it a box would appear.
add_dependencies(test_settings_window tarnholm-ftp)
