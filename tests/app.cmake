# Dates, the status log, routing, the main and overview windows, start-up.
tarnholm_add_test(NAME dates SOURCES dates_test.cpp LIBS tarnholm_state)

tarnholm_add_test(NAME app GUI
  SOURCES gui_test_main.cpp app_status_test.cpp app_routing_test.cpp app_startup_test.cpp
  LIBS tarnholm_app Qt6::Test)
add_dependencies(test_app tarnholm-ftp)

tarnholm_add_test(NAME app_process SOURCES app_process_test.cpp LIBS Qt6::Core)
target_compile_definitions(test_app_process PRIVATE TARNHOLM_BIN="$<TARGET_FILE:tarnholm>")
add_dependencies(test_app_process tarnholm)

# What ships: the search path of the built, bundled and installed binaries, and
# the settings folder of the desktop start script.
tarnholm_add_test(NAME packaging SOURCES app_packaging_test.cpp LIBS Qt6::Core)
set(strip_program ${CMAKE_STRIP})
if(NOT strip_program)
  set(strip_program "")
endif()
target_compile_definitions(test_packaging PRIVATE
  TARNHOLM_BIN="$<TARGET_FILE:tarnholm>"
  TARNHOLM_CRYPT_BIN="$<TARGET_FILE:tarnholm-crypt>"
  TARNHOLM_BACKEND="$<TARGET_FILE:tarnholm-ftp>"
  TARNHOLM_CMAKE="${CMAKE_COMMAND}"
  TARNHOLM_STRIP="${strip_program}"
  TARNHOLM_BUILD_DIR="${CMAKE_BINARY_DIR}"
  TARNHOLM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(test_packaging tarnholm tarnholm-crypt tarnholm-ftp)
set_target_properties(test_packaging PROPERTIES AUTOMOC OFF)
