# Cipher benchmark against OpenSSL; a plain executable, run by hand, not part of CTest.
add_executable(bench_crypto crypto_bench.cpp)
target_link_libraries(bench_crypto PRIVATE tarnholm_crypto OpenSSL::Crypto Qt6::Core)
target_include_directories(bench_crypto PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(bench_crypto PROPERTIES AUTOMOC OFF)
