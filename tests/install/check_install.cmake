# cmake -DBUILD_DIR=<build> -DPREFIX=<scratch prefix> -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${out}${err}")
endif()

foreach(program velmorix velmorix-sim velmorix-cli)
  set(path "${PREFIX}/bin/${program}")
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    message(FATAL_ERROR "${path} was not installed")
  endif()
  file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${path}" RESOLVED_DEPENDENCIES_VAR deps
       UNRESOLVED_DEPENDENCIES_VAR missing)
  if(missing)
    message(FATAL_ERROR "${program} needs libraries that are not found: ${missing}")
  endif()
endforeach()

# The installed command-line program runs from the prefix.
execute_process(COMMAND "${PREFIX}/bin/velmorix-cli" --help RESULT_VARIABLE result OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT "${out}${err}" MATCHES "send")
  message(FATAL_ERROR "installed velmorix-cli --help failed (${result}): ${out}${err}")
endif()

set(entry "${PREFIX}/share/applications/velmorix.desktop")
if(NOT EXISTS "${entry}")
  message(FATAL_ERROR "${entry} was not installed")
endif()
file(STRINGS "${entry}" lines)
foreach(wanted "[Desktop Entry]" "Type=Application" "Exec=velmorix --desktop" "Icon=velmorix")
  list(FIND lines "${wanted}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${entry} lacks the line ${wanted}")
  endif()
endforeach()

set(icon "${PREFIX}/share/icons/hicolor/scalable/apps/velmorix.svg")
if(NOT EXISTS "${icon}")
  message(FATAL_ERROR "${icon} was not installed")
endif()
file(READ "${icon}" svg)
if(NOT svg MATCHES "<svg[^>]*xmlns=\"http://www.w3.org/2000/svg\"")
  message(FATAL_ERROR "${icon} is not an SVG image")
endif()
file(REMOVE_RECURSE "${PREFIX}")
