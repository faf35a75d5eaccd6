# Lays out the portable bundle: the program, the command-line tool and the FTP
# backend side by side, stripped, with the start script and the icon.
#   cmake -DBUNDLE_DIR=... -DPROGRAM=... -DTOOL=... -DBACKEND=... [-DSTRIP=...] -P bundle.cmake
# The files are copied as they were linked, so they keep their search path
# ($ORIGIN alone) and find the backend beside themselves.
foreach(var BUNDLE_DIR PROGRAM TOOL BACKEND)
  if(NOT ${var})
    message(FATAL_ERROR "bundle.cmake needs -D${var}=...")
  endif()
endforeach()
set(here ${CMAKE_CURRENT_LIST_DIR})

file(REMOVE_RECURSE ${BUNDLE_DIR})
file(MAKE_DIRECTORY ${BUNDLE_DIR})
file(COPY ${PROGRAM} ${TOOL} ${BACKEND} ${here}/tarnholm.sh ${here}/icons/hicolor/256x256/apps/tarnholm.png
     DESTINATION ${BUNDLE_DIR})
if(STRIP)
  foreach(file ${PROGRAM} ${TOOL} ${BACKEND})
    get_filename_component(name ${file} NAME)
    execute_process(COMMAND ${STRIP} --strip-unneeded ${BUNDLE_DIR}/${name} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "strip failed on ${name}")
    endif()
  endforeach()
endif()
