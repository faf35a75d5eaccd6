# The FTP back end: its pure core (listing parser, paths, UTF-16, dates) and
# the whole library loaded by name against the real test servers.
tarnholm_add_test(NAME backend
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_core.cpp
  LIBS tarnholm-ftp-core)

foreach(area ftp stream errors)
  tarnholm_add_test(NAME backend_${area} SERVER
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_${area}.cpp
    LIBS tarnholm-testservers tarnholm-ftp-core
    LABELS backend)
endforeach()

tarnholm_add_test(NAME backend_listing SERVER
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_listing.cpp
  LIBS tarnholm-testservers tarnholm-ftp-core
  LABELS backend)
target_compile_definitions(test_backend_listing PRIVATE
  TARNHOLM_HOSTILE_SERVER="${CMAKE_CURRENT_SOURCE_DIR}/hostile/hostile_ftpd.py")
