# Run by the lint target: clang-tidy (its checks are in .clang-tidy) and
# cppcheck on the programs' own code; a finding of either fails it.  The
# tools are looked for as it runs, so that one installed after configuring
# is found.  What clang-tidy says of its progress, and its counts of the
# warnings it hid in system headers, are left out.  cppcheck 2.17 reports,
# as information, a function whose branches it stopped following at its
# normal level: that is no finding.
#   cmake -DBUILD=FOLDER -DSOURCES="FILE;..." -P lint.cmake, from the source root
find_program(clang_tidy clang-tidy)
find_program(cppcheck cppcheck)
if(NOT clang_tidy OR NOT cppcheck)
  message(FATAL_ERROR "lint needs clang-tidy and cppcheck: apt-get install clang-tidy cppcheck")
endif()
execute_process(COMMAND ${clang_tidy} --quiet -p ${BUILD} ${SOURCES}
  RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
string(REGEX REPLACE "[0-9]+ warnings? generated\\.\n" "" said "${said}")
string(REGEX REPLACE "\\[[0-9]+/[0-9]+\\] Processing file [^\n]*\n" "" said "${said}")
string(STRIP "${said}" said)
if(said)
  message("${said}")
endif()
if(failed)
  message(FATAL_ERROR "clang-tidy found the above")
endif()
execute_process(COMMAND ${cppcheck} --quiet --error-exitcode=1 --inline-suppr
  --enable=warning,style,performance,portability --std=c++17
  --suppress=normalCheckLevelMaxBranches -I common ${SOURCES}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cppcheck found the above")
endif()
