# The program against a misbehaving FTP server of our own (python3, started
# by the test itself); label "hostile".
tarnholm_add_test(NAME hostile GUI
  SOURCES gui_test_main.cpp ftp_hostile_test.cpp
  LIBS tarnholm_ftp tarnholm-testservers Qt6::Test
  LABELS hostile)
target_compile_definitions(test_hostile PRIVATE
  TARNHOLM_HOSTILE_SERVER="${CMAKE_CURRENT_SOURCE_DIR}/hostile/hostile_ftpd.py")
add_dependencies(test_hostile tarnholm-ftp)
