# The picture tools end to end: paint a picture, pack it with frames, animations and segments,
# print and export it, pack the exported frames again: the second file must equal the first.
# Run with -DPAINT=... -DPACK=... -DINFO=... -DWORK=<scratch folder>.

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "${ARGN}\nfailed (${code}):\n${out}${err}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

function(refused expected)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(code EQUAL 0 OR NOT err MATCHES "${expected}")
        message(FATAL_ERROR "${ARGN}\nshould fail naming \"${expected}\", got (${code}):\n${err}")
    endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
run(${PAINT} ${WORK}/picture.png)
run(${PAINT} --size 32 ${WORK}/small.png)

foreach(format A8R8G8B8 A8 L8 A8L8)
    set(first ${WORK}/${format}.tpx)
    run(${PACK} -o ${first} -f ${format} ${WORK}/picture.png ${WORK}/small.png
        ${WORK}/picture.png -a 0,0,0.5,0-1-0 -a 1,2,2 --grid 4x2)
    run(${INFO} ${first} --export ${WORK}/${format})
    if(NOT output MATCHES "frame 1: 32 x 32, ${format}" OR NOT output MATCHES "all 3 frames")
        message(FATAL_ERROR "Unexpected listing of ${first}:\n${output}")
    endif()
    run(${INFO} ${WORK}/${format}.tsg)
    if(NOT output MATCHES "8 segments" OR NOT output MATCHES "segment 7: x 48, y 32, 16 x 32")
        message(FATAL_ERROR "Unexpected segments of ${first}:\n${output}")
    endif()

    set(again ${WORK}/${format}-again.tpx)
    run(${PACK} -o ${again} -f ${format} ${WORK}/${format}/${format}_0.png
        ${WORK}/${format}/${format}_1.png ${WORK}/${format}/${format}_2.png
        -a 0,0,0.5,0-1-0 -a 1,2,2)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${first} ${again}
                    RESULT_VARIABLE different)
    if(different)
        message(FATAL_ERROR "Packing the exported frames of ${first} gives another file")
    endif()
endforeach()

refused("missing.png" ${PACK} -o ${WORK}/x.tpx ${WORK}/missing.png)
refused("animation 1" ${PACK} -o ${WORK}/x.tpx ${WORK}/picture.png -a 1,1,1)
refused("Segment 0" ${PACK} -o ${WORK}/x.tpx ${WORK}/picture.png -r 60,0,8,8)
refused("picture.png: chunk 1" ${INFO} ${WORK}/picture.png)
