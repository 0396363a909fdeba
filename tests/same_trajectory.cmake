# Runs COMMAND (a list: the model's trajectory program, as built for one
# target) and fails unless its output is the golden trajectory, whose
# SHA-256 is the first line of trajectory.sha256, byte for byte. When it is
# not, the output is kept in trajectory.out, for a diff with NATIVE's (the
# native build of the same program).
#   cmake -DCOMMAND=program[;arg...] [-DNATIVE=program] -P same_trajectory.cmake
execute_process(COMMAND ${COMMAND} OUTPUT_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${COMMAND}: exit status ${status}")
endif()
string(SHA256 sum "${output}")
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/trajectory.sha256 golden LIMIT_COUNT 1)
string(LENGTH "${output}" length)
if(NOT sum STREQUAL golden)
  file(WRITE trajectory.out "${output}")
  message(FATAL_ERROR "${COMMAND}: ${length} bytes of output with SHA-256 ${sum}, not the golden trajectory's "
    "${golden}; the output is in ${CMAKE_CURRENT_BINARY_DIR}/trajectory.out (diff it with ${NATIVE}'s)")
endif()
message(STATUS "the golden trajectory, ${length} bytes, SHA-256 ${sum}")
