# The program side of FTP: binding, connecting, the server list and its commands.

# Stand-ins for the backend: a scripted one and one that lacks a function.
add_library(fake-ftp SHARED fake_ftp/FakeFtp.cpp)
add_library(fake-ftp-incomplete SHARED fake_ftp/FakeFtp.cpp)
target_compile_definitions(fake-ftp-incomplete PRIVATE FAKE_FTP_INCOMPLETE)
foreach(fake fake-ftp fake-ftp-incomplete)
  set_target_properties(${fake} PROPERTIES CXX_VISIBILITY_PRESET hidden AUTOMOC OFF)
endforeach()

tarnholm_add_test(NAME ftp GUI
  SOURCES gui_test_main.cpp ftp_names_test.cpp ftp_fake_backend_test.cpp
  LIBS tarnholm_ftp Qt6::Test)
add_dependencies(test_ftp fake-ftp fake-ftp-incomplete)

tarnholm_add_test(NAME ftp_servers GUI SERVER
  SOURCES gui_test_main.cpp ftp_servers_test.cpp
  LIBS tarnholm_ftp tarnholm-testservers Qt6::Test)
