# Builds TARGET in the build folder BUILD and passes when the build fails with every one of
# EXPECT (separated by "|") in its output: a check that the compiler rejects what must never be written.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${TARGET}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status EQUAL 0)
    message(FATAL_ERROR "${TARGET} compiled, but must not:\n${output}")
endif()
string(REPLACE "|" ";" EXPECT "${EXPECT}")
foreach(expected IN LISTS EXPECT)
    string(FIND "${output}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${TARGET} failed without \"${expected}\":\n${output}")
    endif()
endforeach()
