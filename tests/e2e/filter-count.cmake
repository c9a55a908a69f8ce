# Fails when a test filter of the e2e suite's extra runs (another window manager or compositor)
# picks fewer tests than it is meant to, as after a test was renamed out of it: the filter as a
# whole must pick at least MINIMUM tests, and each of its ":"-separated patterns at least one.
#   cmake -DPROGRAM=<e2e_tests> -DFILTER=<gtest filter> -DMINIMUM=<count> -P filter-count.cmake

# The number of tests `filter` picks from PROGRAM's list (test lines are the indented ones).
function(count_tests filter out)
    execute_process(COMMAND ${PROGRAM} --gtest_list_tests --gtest_filter=${filter}
        OUTPUT_VARIABLE listing RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} --gtest_list_tests failed (${status})")
    endif()
    string(REGEX MATCHALL "\n  [^\n]+" tests "\n${listing}")
    list(LENGTH tests count)
    set(${out} ${count} PARENT_SCOPE)
endfunction()

count_tests("${FILTER}" total)
message(STATUS "${FILTER}: ${total} tests (at least ${MINIMUM} expected)")
if(total LESS MINIMUM)
    message(FATAL_ERROR "the filter picks ${total} tests, fewer than ${MINIMUM}: "
        "was a test renamed? Mend the filter, or the count beside it in tests/CMakeLists.txt")
endif()
string(REPLACE ":" ";" patterns "${FILTER}")
foreach(pattern IN LISTS patterns)
    count_tests("${pattern}" picked)
    if(picked EQUAL 0)
        message(FATAL_ERROR "the pattern ${pattern} picks no test")
    endif()
endforeach()
