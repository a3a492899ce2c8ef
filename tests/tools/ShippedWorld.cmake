# The world the game ships is complete, consistent and can be won: every text in every
# language, no finding of the static check, and a full search that reaches the ending with no
# dead end and no held story stage. Any other line of the reports fails the test.
# The game folder must hold that very world and its scripts, built from the current sources.
# Arguments: TOOL (valdmoor-scenario), WORLD (the YAML world), SECONDS (the search's bound),
# GAME (the game folder), WORK (a scratch folder).
set(failures "")

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${TOOL} build ${WORLD} -o ${WORK}/S0Scenario.dat --scripts ${WORK}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    string(APPEND failures "build (${status}):\n${err}")
endif()
file(GLOB built RELATIVE ${WORK} ${WORK}/S0Scenario.dat ${WORK}/*/ScriptScenario.xml)
foreach(file IN LISTS built)
    set(shipped ${GAME}/Ordinary/${file})
    if(NOT file STREQUAL "S0Scenario.dat")
        set(shipped ${GAME}/Languages/${file})
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${file} ${shipped}
                    RESULT_VARIABLE different)
    if(NOT different EQUAL 0)
        string(APPEND failures "${shipped} is not the world built from ${WORLD}\n")
    endif()
endforeach()

execute_process(COMMAND ${TOOL} texts ${WORLD}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX REPLACE "[a-z]+: 0 missing, 0 unused\n" "" rest "${out}")
if(NOT status EQUAL 0 OR NOT rest STREQUAL "" OR NOT err STREQUAL "" OR out STREQUAL "")
    string(APPEND failures "texts (${status}):\n${out}${err}")
endif()

execute_process(COMMAND ${TOOL} check ${WORLD}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out STREQUAL "" OR NOT err STREQUAL "")
    string(APPEND failures "check (${status}):\n${out}${err}")
endif()

execute_process(COMMAND ${TOOL} prove ${WORLD} --seconds ${SECONDS}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
# Left over once the summary and the winning path (indented lines) are taken away: findings.
string(REGEX REPLACE "^explored every state: [0-9]+ states, [0-9]+ expanded in [0-9.e+-]+ s\n"
       "" rest "${out}")
string(REGEX REPLACE "^ending reachable in [0-9]+ actions:\n" "" rest "${rest}")
string(REGEX REPLACE "  [^\n]*\n" "" rest "${rest}")
if(NOT status EQUAL 0 OR NOT rest STREQUAL "" OR NOT err STREQUAL ""
   OR NOT out MATCHES "^explored every state")
    string(APPEND failures "prove (${status}):\n${out}${err}")
endif()

if(NOT failures STREQUAL "")
    message(FATAL_ERROR "The shipped world has findings:\n${failures}")
endif()
