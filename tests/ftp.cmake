# The program side of FTP: binding, connecting, the server list and its
# commands, the transfer engine and its pure parts.

# Stand-ins for the backend: a scripted one, one that lacks a function, and
# one with only the 20 functions of old (no streams, no cancel, no classes).
add_library(fake-ftp SHARED fake_ftp/FakeFtp.cpp)
add_library(fake-ftp-incomplete SHARED fake_ftp/FakeFtp.cpp)
add_library(fake-ftp-classic SHARED fake_ftp/FakeFtp.cpp)
target_compile_definitions(fake-ftp-incomplete PRIVATE FAKE_FTP_INCOMPLETE)
target_compile_definitions(fake-ftp-classic PRIVATE FAKE_FTP_CLASSIC)
foreach(fake fake-ftp fake-ftp-incomplete fake-ftp-classic)
  set_target_properties(${fake} PROPERTIES CXX_VISIBILITY_PRESET hidden AUTOMOC OFF)
endforeach()

# The engine's pure parts: no QApplication.
tarnholm_add_test(NAME ftp_core
  SOURCES ftp_core_test.cpp ftp_engine_test.cpp
  LIBS tarnholm_ftp_core)
add_dependencies(test_ftp_core fake-ftp fake-ftp-classic)
target_compile_definitions(test_ftp_core PRIVATE TARNHOLM_FAKE_FTP_DIR="$<TARGET_FILE_DIR:fake-ftp>")

tarnholm_add_test(NAME ftp GUI
  SOURCES gui_test_main.cpp ftp_names_test.cpp ftp_fake_backend_test.cpp
  LIBS tarnholm_ftp Qt6::Test)
add_dependencies(test_ftp fake-ftp fake-ftp-incomplete fake-ftp-classic)

tarnholm_add_test(NAME ftp_servers GUI SERVER
  SOURCES gui_test_main.cpp ftp_servers_test.cpp
  LIBS tarnholm_ftp tarnholm-testservers Qt6::Test)

# The transfer engine seen from the window, and the lists' sorting and drag
# and drop: through the program's own routing against the scripted backend.
tarnholm_add_test(NAME app_jobs GUI
  SOURCES gui_test_main.cpp app_jobs_test.cpp app_lists_test.cpp
  LIBS tarnholm_app Qt6::Test)
add_dependencies(test_app_jobs fake-ftp)
