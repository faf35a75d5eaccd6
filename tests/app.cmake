# Dates, the status log, routing, the main and overview windows, start-up.
tarnholm_add_test(NAME dates SOURCES dates_test.cpp LIBS tarnholm_state)

tarnholm_add_test(NAME app GUI
  SOURCES gui_test_main.cpp app_status_test.cpp app_routing_test.cpp app_startup_test.cpp
  LIBS tarnholm_app Qt6::Test)
add_dependencies(test_app tarnholm-ftp)

tarnholm_add_test(NAME app_process SOURCES app_process_test.cpp LIBS Qt6::Core)
target_compile_definitions(test_app_process PRIVATE TARNHOLM_BIN="$<TARGET_FILE:tarnholm>")
add_dependencies(test_app_process tarnholm)
