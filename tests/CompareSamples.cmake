# Regenerates the samples into WORK and fails when any differs from the committed one.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${GENERATOR} ${WORK} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make-samples failed")
endif()
file(GLOB generated RELATIVE ${WORK} ${WORK}/*)
foreach(name ${generated})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name} ${SAMPLES}/${name}
                    RESULT_VARIABLE different)
    if(different)
        message(FATAL_ERROR "samples/${name} differs from what make-samples writes now")
    endif()
endforeach()
