# Encryption: key text, buffer and stream cipher, and the tarnholm-crypt program.
tarnholm_add_test(NAME crypto
  SOURCES crypto_key_text_test.cpp crypto_file_cipher_test.cpp crypto_stream_test.cpp
  LIBS tarnholm_crypto OpenSSL::Crypto Qt6::Core)
set_target_properties(test_crypto PROPERTIES AUTOMOC OFF)

tarnholm_add_test(NAME crypt_cli
  SOURCES crypto_cli_test.cpp
  LIBS tarnholm_crypto OpenSSL::Crypto Qt6::Core)
target_compile_definitions(test_crypt_cli PRIVATE TARNHOLM_CRYPT_BIN="$<TARGET_FILE:tarnholm-crypt>")
set_target_properties(test_crypt_cli PROPERTIES AUTOMOC OFF)
add_dependencies(test_crypt_cli tarnholm-crypt)
