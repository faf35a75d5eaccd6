# Uploads and downloads: the piecewise cipher and the commands against the
# scripted backend; the real servers; and one very large file (label large).
tarnholm_add_test(NAME transfer GUI
  SOURCES gui_test_main.cpp transfer_test_support.h transfer_fake_test.cpp transfer_cipher_test.cpp
  LIBS tarnholm_ftp Qt6::Test)
add_dependencies(test_transfer fake-ftp)

tarnholm_add_test(NAME transfer_servers GUI SERVER
  SOURCES gui_test_main.cpp transfer_test_support.h transfer_servers_test.cpp
  LIBS tarnholm_ftp tarnholm-testservers Qt6::Test
  LABELS transfer)
# Several GiB through the servers; run alone with ctest -L large.
tarnholm_add_test(NAME transfer_large GUI SERVER
  SOURCES gui_test_main.cpp transfer_test_support.h transfer_large_test.cpp
  LIBS tarnholm_ftp tarnholm-testservers Qt6::Test
  LABELS transfer large)
