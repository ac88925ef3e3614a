# Runs the generator on the committed font and checks that it reproduces the
# committed image_part1.cpp and image_part2.cpp byte for byte.
# -DGENERATOR=... -DFONT=... -DCOMMITTED=<glyphimage dir> -DOUT=<scratch dir>
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GENERATOR} ${FONT} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "glyphimagegen failed (${rc})")
endif()
foreach(name image_part1.cpp image_part2.cpp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${COMMITTED}/${name}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${COMMITTED}/${name} is not what the generator writes from ${FONT}: "
                        "see `diff ${OUT}/${name} ${COMMITTED}/${name}`; after a deliberate font "
                        "change run `ninja glyphimage_regenerate` and commit the result")
  endif()
  message(STATUS "${name}: identical to the generator's output")
endforeach()
