# The program's own commands with the real backend: uploads and downloads
# against curl and lftp on the same servers, cancel latency, long listings and
# the GUI thread's longest wait meanwhile: bench/transfer_compare.sh; a folder
# of many small files up and down against lftp's mirror: bench/folder_compare.sh.
# Not in CTest.
add_executable(bench_transfer_commands ${CMAKE_CURRENT_SOURCE_DIR}/transfer_commands.cpp)
target_include_directories(bench_transfer_commands PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_transfer_commands PRIVATE tarnholm_ftp)
add_dependencies(bench_transfer_commands tarnholm-ftp)
