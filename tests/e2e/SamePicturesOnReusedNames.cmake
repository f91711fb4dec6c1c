# One whole program run through the menu, the boss level until the boss explodes and the exit is
# taken, the closing screen, the high scores and level 1, played twice headless: the second time
# OpenGL hands the names of deleted textures to the next ones made, as several drivers do. Every
# screenshot must be the same, byte for byte: three fall in the explosion, the later ones after
# the boss level's textures were given back and others made.
# Run as: cmake -DKRELLIX=<program> -DDATA=<data folder> -DTESTS=<this folder> -DWORK=<scratch> -P <this>
set(shots "")
foreach(frame RANGE 60 1620 80)
  list(APPEND shots --shot ${frame}:shot${frame}.png)
endforeach()
foreach(run plain reused)
  set(dir "${WORK}/${run}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  file(CREATE_LINK "${DATA}/images" "${dir}/images" SYMBOLIC)
  file(CREATE_LINK "${DATA}/sounds" "${dir}/sounds" SYMBOLIC)
  file(COPY_FILE "${TESTS}/boss_player.dat" "${dir}/users.dat")
  if(run STREQUAL "reused")
    set(ENV{force_gl_names_reuse} true)
  endif()
  execute_process(COMMAND "${KRELLIX}" --headless --data "${dir}" --input "${TESTS}/menu_boss_level1.txt"
                          --trace "${dir}/trace.jsonl" ${shots}
                  WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the ${run} run ended with ${status}: ${errors}")
  endif()
endforeach()
foreach(check "\"level\":33,.*\"bricks\":0,.*\"explosions\":1" "\"level\":33,.*\"GameMode\":6,"
              "\"screen\":\"highscores\"" "\"level\":1,.*\"GameMode\":8,")
  file(STRINGS "${WORK}/plain/trace.jsonl" seen REGEX "${check}")
  if(NOT seen)
    message(FATAL_ERROR "the run never showed ${check}")
  endif()
endforeach()
foreach(frame RANGE 60 1620 80)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/plain/shot${frame}.png"
                          "${WORK}/reused/shot${frame}.png" RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "frame ${frame} differs on reused texture names")
  endif()
endforeach()
