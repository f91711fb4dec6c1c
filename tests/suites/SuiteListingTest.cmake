# Runs the suite-test writer on the listings of made-up test programs: every suite becomes one test
# running all its cases, and a listing it cannot read stops the build with its reason.
# Run as: cmake -DSCRIPT=<the writer> -DWORK=<scratch folder> -P <this>
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(failures 0)

# expect(WHAT STATUS LISTING WANT): a program printing LISTING and ending with STATUS; WANT is the
# file written, or, when it starts with "error:", a text the writer's failure must show.
function(expect what status listing want)
  set(exe "${WORK}/program")
  file(WRITE "${exe}" "#!/bin/sh\ncat <<'END'\n${listing}END\nexit ${status}\n")
  file(CHMOD "${exe}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(out "${WORK}/suites.cmake")
  file(WRITE "${out}" "left from before\n")
  execute_process(COMMAND "${CMAKE_COMMAND}" -DEXE=${exe} -DNAME=t -DOUT=${out} -P "${SCRIPT}"
                  RESULT_VARIABLE result ERROR_VARIABLE error)
  # Messages are wrapped to the terminal's width.
  string(REGEX REPLACE "[ \n]+" " " error "${error}")
  set(problem "")
  if(want MATCHES "^error:(.*)")
    string(FIND "${error}" "${CMAKE_MATCH_1}" at)
    if(result EQUAL 0 OR at EQUAL -1 OR EXISTS "${out}")
      set(problem "wanted a failure showing '${CMAKE_MATCH_1}' and no file; got ${result}: ${error}")
    endif()
  else()
    file(READ "${out}" written)
    if(NOT result EQUAL 0 OR NOT written STREQUAL want)
      set(problem "got ${result}: ${error}\n${written}")
    endif()
  endif()
  if(problem)
    message(SEND_ERROR "${what}: ${problem}")
  endif()
endfunction()

set(e "${WORK}/program")
expect("suites, typed and parameterised ones too" 0
  "Draw.\n  One\n  Two\nTyped/0.  # TypeParam = int\n  Case\nCatalogue/Sound.\n  Each/0  # GetParam() = 1\n"
  "add_test([=[t.Draw]=] [=[${e}]=] [=[--gtest_filter=Draw.*]=])\nadd_test([=[t.Typed/0]=] [=[${e}]=] [=[--gtest_filter=Typed/0.*]=])\nadd_test([=[t.Catalogue/Sound]=] [=[${e}]=] [=[--gtest_filter=Catalogue/Sound.*]=])\nset(t_suites [=[t.Draw]=] [=[t.Typed/0]=] [=[t.Catalogue/Sound]=])\n")
expect("a case under the program's own output" 0 "Draw.\n  One\nRunning main() from gtest_main\n  Lost\n"
  "error:no suite found for the case Lost")
expect("no suites" 0 "Running main() from gtest_main\n" "error:lists no test suites")
expect("a program that fails" 3 "Draw.\n  One\n" "error:ended with 3")
