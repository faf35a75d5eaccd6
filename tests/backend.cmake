# The FTP back end: its pure core (listing parser, paths, UTF-16, dates) and
# the whole library loaded by name against the real test servers.

# Shared by every server test: reads the servers of tests/servers/start and
# fails the run when they are missing; loads the back end by file name.
if(NOT TARGET tarnholm-testservers)
  add_library(tarnholm-testservers STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/support/TestServers.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/BackendLib.cpp)
  target_include_directories(tarnholm-testservers PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(tarnholm-testservers PUBLIC GTest::gtest ${CMAKE_DL_LIBS})
  target_compile_definitions(tarnholm-testservers PRIVATE
    TARNHOLM_FTP_LIBRARY="$<TARGET_FILE:tarnholm-ftp>")
  add_dependencies(tarnholm-testservers tarnholm-ftp)
endif()

if(TARGET tarnholm-ftp-core)
  tarnholm_add_test(NAME backend
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_core.cpp
    LIBS tarnholm-ftp-core)
endif()

if(TARGET tarnholm-ftp)
  tarnholm_add_test(NAME backend_ftp SERVER
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_ftp.cpp
    LIBS tarnholm-testservers tarnholm-ftp-core
    LABELS backend)
endif()

if(TARGET tarnholm-ftp)
  tarnholm_add_test(NAME backend_stream SERVER
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_stream.cpp
    LIBS tarnholm-testservers tarnholm-ftp-core
    LABELS backend)
endif()

if(TARGET tarnholm-ftp)
  tarnholm_add_test(NAME backend_errors SERVER
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_errors.cpp
    LIBS tarnholm-testservers tarnholm-ftp-core
    LABELS backend)
endif()

if(TARGET tarnholm-ftp)
  tarnholm_add_test(NAME backend_listing SERVER
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_listing.cpp
    LIBS tarnholm-testservers tarnholm-ftp-core
    LABELS backend)
  target_compile_definitions(test_backend_listing PRIVATE
    TARNHOLM_HOSTILE_SERVER="${CMAKE_CURRENT_SOURCE_DIR}/hostile/hostile_ftpd.py")
endif()
