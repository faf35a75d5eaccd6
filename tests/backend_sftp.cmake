# The SFTP half of the FTP back end, called directly (its functions are not
# exported from the shared library) against the real sshd of the test servers.
if(TARGET tarnholm-testservers AND TARGET tarnholm-ftp-core)
  file(GLOB backend_sftp_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/ftp/backend/Sftp*.cpp)
  tarnholm_add_test(NAME backend_sftp SERVER
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/backend_sftp_session.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/backend_sftp_watchdog.cpp ${backend_sftp_sources}
    LIBS tarnholm-testservers tarnholm-ftp-core PkgConfig::LIBSSH
    LABELS backend)
endif()
