# The world the game ships is complete, consistent and can be won: every text in every
# language, no finding of the static check, and a full search that reaches the ending with no
# dead end and no held story stage. Any other line of the reports fails the test.
# Arguments: TOOL (valdmoor-scenario), WORLD (the YAML world), SECONDS (the search's bound).
set(failures "")

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
