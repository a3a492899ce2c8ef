# The driver of valdmoor_playthrough (ValdmoorPlaythrough.cmake), run with cmake -P. Every
# failure names the step and leaves its files in WORK to look at.
cmake_minimum_required(VERSION 3.20)

if(NOT DEFINED WINDOW)
    set(WINDOW 800x450)
endif()
foreach(variable GAME GAME_DIR SCENARIO SAVE_TOOL WORLD TEXTS WORK FRAMES)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "Playthrough: ${variable} is not set")
    endif()
endforeach()

# Runs a command; a non-zero exit fails the test with its output.
function(run step output)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "Playthrough: ${step} failed (${code}):\n${out}\n${err}")
    endif()
    set(${output} "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
set(game ${WORK}/game)
file(MAKE_DIRECTORY ${game}/Ordinary ${game}/Languages ${game}/Branding ${WORK}/home
     ${WORK}/screens)

# The game folder: the executable and the built data, with the world and its texts in place
# of the game's own.
file(COPY ${GAME} DESTINATION ${game})
get_filename_component(executable ${GAME} NAME)
file(GLOB ordinary RELATIVE ${GAME_DIR}/Ordinary ${GAME_DIR}/Ordinary/*)
foreach(entry IN LISTS ordinary)
    if(NOT entry STREQUAL "S0Scenario.dat")
        file(CREATE_LINK ${GAME_DIR}/Ordinary/${entry} ${game}/Ordinary/${entry} SYMBOLIC)
    endif()
endforeach()
run("building the world" ignored ${SCENARIO} build ${WORLD} -o ${game}/Ordinary/S0Scenario.dat
    --texts ${TEXTS} --scripts ${WORK}/scripts)
file(GLOB languages RELATIVE ${GAME_DIR}/Languages ${GAME_DIR}/Languages/*)
foreach(language IN LISTS languages)
    file(MAKE_DIRECTORY ${game}/Languages/${language})
    file(GLOB files RELATIVE ${GAME_DIR}/Languages/${language}
         ${GAME_DIR}/Languages/${language}/*)
    foreach(entry IN LISTS files)
        if(NOT entry STREQUAL "ScriptScenario.xml")
            file(CREATE_LINK ${GAME_DIR}/Languages/${language}/${entry}
                 ${game}/Languages/${language}/${entry} SYMBOLIC)
        endif()
    endforeach()
    if(EXISTS ${WORK}/scripts/${language}/ScriptScenario.xml)
        file(COPY ${WORK}/scripts/${language}/ScriptScenario.xml
             DESTINATION ${game}/Languages/${language})
    endif()
endforeach()

# The shortest winning path, as a save and as the game's input script.
run("proving the world" proof ${SCENARIO} prove ${WORLD} --save ${WORK}/Proof.dat
    --script ${WORK}/Play.txt --actions ${WORK}/Actions.txt)
message(STATUS "${proof}")

# The game from its first start: the platform asks for a language the game lacks, so the
# language choice is pending as on a player's first start. Script positions are in canvas
# units, so a small window plays the same and draws faster.
set(environment VALDMOOR_HOME=${WORK}/home CI=1 LANGUAGE=fr LC_ALL=fr_FR.UTF-8
    VALDMOOR_INPUT_TRACE=${WORK}/Trace.txt ${EXTRA_ENVIRONMENT})
run("playing the game" ignored ${CMAKE_COMMAND} -E env ${environment}
    ${game}/${executable} -headless -nosound -windowsize ${WINDOW} -frames ${FRAMES}
    -input ${WORK}/Play.txt -capturedir ${WORK}/screens)
# The script quits by the menu's own question; running into the frame limit means it got stuck.
file(STRINGS ${WORK}/Trace.txt trace)
list(LENGTH trace frames)
if(frames GREATER_EQUAL FRAMES)
    message(FATAL_ERROR "Playthrough: the script did not reach its end within ${FRAMES} frames "
                        "(see ${WORK}/Trace.txt and ${WORK}/home)")
endif()
message(STATUS "Played to the end in ${frames} frames")

file(GLOB_RECURSE saves ${WORK}/home/Save.dat)
list(LENGTH saves count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "Playthrough: expected one save file in ${WORK}/home, found: ${saves}")
endif()
run("checking the save" checked ${SAVE_TOOL} check ${saves} --scenario
    ${game}/Ordinary/S0Scenario.dat)

# The current profile played exactly the proof's events and earned what the path earns.
run("listing the save" listing ${SAVE_TOOL} list ${saves} --json)
string(JSON current GET "${listing}" current)
math(EXPR index "${current} - 1")
string(JSON earned GET "${listing}" profiles ${index} achievements)
run("reading the events" played ${SAVE_TOOL} events ${saves} --profile ${current} --json)
string(JSON played GET "${played}" profiles 0 events)
run("reading the proof" proved ${SAVE_TOOL} events ${WORK}/Proof.dat --json)
string(JSON proved GET "${proved}" profiles 0 events)
if(NOT played STREQUAL proved)
    message(FATAL_ERROR "Playthrough: the game recorded other events than the proof:\n"
                        "played: ${played}\nproved: ${proved}")
endif()
run("listing the proof" proofListing ${SAVE_TOOL} list ${WORK}/Proof.dat --json)
string(JSON expected GET "${proofListing}" profiles 0 achievements)

function(sorted_numbers json output)
    string(REGEX REPLACE "[][ ]" "" text "${json}")
    string(REPLACE "," ";" numbers "${text}")
    list(SORT numbers COMPARE NATURAL)
    set(${output} "${numbers}" PARENT_SCOPE)
endfunction()
sorted_numbers("${earned}" earned)
sorted_numbers("${expected}" expected)
if(NOT earned STREQUAL expected)
    message(FATAL_ERROR "Playthrough: achievements earned: [${earned}], the path earns: "
                        "[${expected}]")
endif()
if(DEFINED ACHIEVEMENTS AND NOT ACHIEVEMENTS STREQUAL "")
    string(REPLACE "," ";" wanted "${ACHIEVEMENTS}")
    list(SORT wanted COMPARE NATURAL)
    if(NOT earned STREQUAL wanted)
        message(FATAL_ERROR "Playthrough: achievements earned: [${earned}], expected: "
                            "[${wanted}]")
    endif()
endif()
message(STATUS "The save holds the proof's events and achievements [${earned}]")

# The screens met on the way, against their references.
if(DEFINED SCREENS AND NOT SCREENS STREQUAL "")
    if("$ENV{VALDMOOR_WRITE_REFERENCES}" STREQUAL "1")
        run("writing the screen references" written ${COMPARE} ${WORK}/screens ${SCREENS} --write)
        message(STATUS "${written}")
    else()
        set(step "comparing the screens (captures and difference pictures in ${WORK}/screens, "
                 "VALDMOOR_WRITE_REFERENCES=1 rewrites the references)")
        string(JOIN "" step ${step})
        run("${step}" compared ${COMPARE} ${WORK}/screens ${SCREENS})
        message(STATUS "${compared}")
    endif()
endif()
