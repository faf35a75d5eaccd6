# Throughput of the FTP back end against the curl command line (and lftp for
# SFTP) on the same servers: bench/backend_compare.sh drives both. Not in CTest.
add_executable(bench_backend_transfer ${CMAKE_CURRENT_SOURCE_DIR}/backend_transfer.cpp)
target_include_directories(bench_backend_transfer PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_backend_transfer PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(bench_backend_transfer tarnholm-ftp)
