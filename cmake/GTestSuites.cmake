# One ctest test per GoogleTest suite of a program that runs under Wine,
# rather than one per case: a Wine process takes about a tenth of a second
# of CPU to start, more than most cases take to run. The suites are listed
# when ctest starts (as gtest_discover_tests' PRE_TEST mode lists cases),
# again only when the program is newer than the list. Each test is named
# <program>.<suite> and writes its cases' results to
# <WORKING_DIRECTORY>/gtest-results/<program>.<suite>.xml ("/" of a
# parameterised suite as "-"), where make test counts them.
#
#   qalo_gtest_suites(TARGET WORKING_DIRECTORY dir PROPERTIES name value ...)

function(qalo_gtest_suites target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "WORKING_DIRECTORY" "PROPERTIES")
  set(base ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(properties)
  foreach(word IN LISTS arg_PROPERTIES)
    string(APPEND properties " [==[${word}]==]")
  endforeach()
  file(GENERATE OUTPUT ${base}_suites_include.cmake CONTENT
"include([==[${PROJECT_SOURCE_DIR}/cmake/GTestSuites.cmake]==])
qalo_gtest_suites_listed(NAME ${target} PROGRAM [==[$<TARGET_FILE:${target}>]==]
  EMULATOR [==[${CMAKE_CROSSCOMPILING_EMULATOR}]==] LIST [==[${base}_suites.cmake]==]
  WORKING_DIRECTORY [==[${arg_WORKING_DIRECTORY}]==] PROPERTIES${properties})
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${base}_suites_include.cmake)
endfunction()

# At ctest's start: lists the program's suites where needed and adds them.
function(qalo_gtest_suites_listed)
  cmake_parse_arguments(arg "" "NAME;PROGRAM;EMULATOR;LIST;WORKING_DIRECTORY" "PROPERTIES" ${ARGN})
  if(NOT EXISTS "${arg_LIST}" OR "${arg_PROGRAM}" IS_NEWER_THAN "${arg_LIST}")
    execute_process(COMMAND ${arg_EMULATOR} "${arg_PROGRAM}" --gtest_list_tests
      WORKING_DIRECTORY "${arg_WORKING_DIRECTORY}" TIMEOUT 120
      OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${arg_NAME} --gtest_list_tests failed (${rc}):\n${listing}${errors}")
    endif()
    # Suites start a line and end in a dot; cases are indented, some with a
    # comment (a parameter's value) that may hold anything.
    string(REGEX MATCHALL "(^|\n)[^ \n#]+\\." suites "${listing}")
    set(content)
    foreach(suite IN LISTS suites)
      string(STRIP "${suite}" suite)
      string(REGEX REPLACE "\\.$" "" suite "${suite}")
      string(REPLACE "/" "-" file "${suite}")
      set(test "${arg_NAME}.${suite}")
      string(APPEND content
        "add_test([==[${test}]==] [==[${arg_EMULATOR}]==] [==[${arg_PROGRAM}]==] "
        "[==[--gtest_filter=${suite}.*]==] [==[--gtest_output=xml:gtest-results/${arg_NAME}.${file}.xml]==])\n"
        "set_tests_properties([==[${test}]==] PROPERTIES WORKING_DIRECTORY [==[${arg_WORKING_DIRECTORY}]==]")
      foreach(word IN LISTS arg_PROPERTIES)
        string(APPEND content " [==[${word}]==]")
      endforeach()
      string(APPEND content ")\n")
    endforeach()
    file(WRITE "${arg_LIST}" "${content}")
  endif()
  include("${arg_LIST}")
endfunction()
