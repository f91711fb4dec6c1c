# Writes one ctest test per GoogleTest suite of a built test program: every case of the suite runs
# in one process, so a suite pays for starting the program (and its sanitizers, OpenGL context or
# decoded files) once instead of once per case.
# The file written adds the tests and lists their names in the variable <NAME>_suites, for the
# caller to give them their properties.
# Run as: cmake -DEXE=<program> -DNAME=<prefix of the test names> -DOUT=<file to write> -P <this>
execute_process(COMMAND "${EXE}" --gtest_list_tests OUTPUT_VARIABLE listing RESULT_VARIABLE status
                TIMEOUT 60)
if(NOT status EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "${EXE} --gtest_list_tests ended with ${status}")
endif()
string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
set(names "")
set(suite "")
foreach(line IN LISTS lines)
  # A suite's line starts at the margin and ends with a dot, perhaps followed by a comment naming
  # its type parameter; its cases follow indented. Any other line at the margin is the program's
  # own output, and a case under it would never run: that stops the build.
  if(line MATCHES "^([A-Za-z_][A-Za-z0-9_/]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    string(APPEND script
      "add_test([=[${NAME}.${suite}]=] [=[${EXE}]=] [=[--gtest_filter=${suite}.*]=])\n")
    string(APPEND names " [=[${NAME}.${suite}]=]")
  elseif(line MATCHES "^  ")
    if(suite STREQUAL "")
      file(REMOVE "${OUT}")
      message(FATAL_ERROR "${EXE}: no suite found for the case${line}")
    endif()
  elseif(NOT line STREQUAL "")
    set(suite "")
  endif()
endforeach()
if(script STREQUAL "")
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "${EXE} lists no test suites")
endif()
file(WRITE "${OUT}" "${script}set(${NAME}_suites${names})\n")
