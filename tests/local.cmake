# Local file list and local file commands.
tarnholm_add_test(NAME local_core SOURCES local_core_test.cpp LIBS tarnholm_local_core)
set_target_properties(test_local_core PROPERTIES AUTOMOC OFF)

tarnholm_add_test(NAME local GUI
  SOURCES gui_test_main.cpp local_test_support.h local_list_test.cpp local_commands_test.cpp
  LIBS tarnholm_local Qt6::Test)
set_target_properties(test_local PROPERTIES AUTOMOC OFF)
