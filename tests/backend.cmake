# The FTP back end: its pure core (listing parser, paths, UTF-16, dates) and
# the whole library loaded by name against the real test servers.
tarnholm_add_test(NAME backend
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_core.cpp
  LIBS tarnholm-ftp-core)

tarnholm_add_test(NAME backend_ftp SERVER
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_ftp.cpp
  LIBS tarnholm-testservers tarnholm-ftp-core
  LABELS backend)
