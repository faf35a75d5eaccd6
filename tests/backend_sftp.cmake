# The SFTP half of the FTP back end, called directly (its functions are not
# exported from the shared library) against the real sshd of the test servers.
tarnholm_add_test(NAME backend_sftp SERVER
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_sftp_session.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/backend_sftp_watchdog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/backend_sftp_greeting.cpp
  LIBS tarnholm-testservers tarnholm-ftp-sftp
  LABELS backend)
