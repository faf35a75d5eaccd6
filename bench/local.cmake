# Filling the local list from a large directory, against a plain listing.
add_executable(bench_local local_fill_bench.cpp)
target_link_libraries(bench_local PRIVATE tarnholm_local Qt6::Widgets)
set_target_properties(bench_local PROPERTIES AUTOMOC OFF)
