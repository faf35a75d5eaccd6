# What the user sees and types: captions that fit, plain texts, icons, the
# input box, and the keys of the lists and windows, through the program's
# own routing (the server list against the scripted backend).
tarnholm_add_test(NAME window GUI
  SOURCES gui_test_main.cpp window_text_test.cpp window_keys_test.cpp
  LIBS tarnholm_app Qt6::Test)
add_dependencies(test_window fake-ftp tarnholm-ftp)
