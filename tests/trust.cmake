# Trusting FTPS certificates and SSH host keys: the trust file's rules, and
# the questions on connect against the real test servers.
tarnholm_add_test(NAME trust
  SOURCES ftp_trust_test.cpp
  LIBS tarnholm_ftp)

tarnholm_add_test(NAME trust_servers GUI SERVER
  SOURCES gui_test_main.cpp ftp_trust_servers_test.cpp
  LIBS tarnholm_ftp tarnholm-testservers Qt6::Test)
