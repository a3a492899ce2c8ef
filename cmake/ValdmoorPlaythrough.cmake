# valdmoor_playthrough(<name> WORLD <World.yaml> GAME_DIR <built game folder>
#                      [TEXTS <folder>] [ACHIEVEMENTS <number>...] [FRAMES <n>] [TIMEOUT <s>]
#                      [SCREENS <folder>])
#
# A test that plays a world to its end through the real game: the world is built into a copy
# of the game folder, `valdmoor-scenario prove` writes its shortest winning path as a save and
# as an input script, the game runs headless from a fresh per-user folder with that script
# (first start, menu, every action, the ending, back to the menu, quit), and the save it
# leaves must pass `valdmoor-save check`, hold exactly the events of the proof and the
# achievements the path earns (and, when given, exactly ACHIEVEMENTS). The fixed frame time
# keeps the run repeatable; FRAMES (default 20000) and TIMEOUT (default 600 s) bound it.
# With SCREENS, the frames the script captures on the way (each region, each dialog kind, the
# ending) must match the pictures of their names in that folder; run the test with
# VALDMOOR_WRITE_REFERENCES=1 in the environment to make the captures the references.
set(VALDMOOR_PLAYTHROUGH_DRIVER ${CMAKE_CURRENT_LIST_DIR}/Playthrough.cmake)

function(valdmoor_playthrough name)
    cmake_parse_arguments(ARG "" "WORLD;GAME_DIR;TEXTS;FRAMES;TIMEOUT;SCREENS" "ACHIEVEMENTS" ${ARGN})
    if(NOT ARG_WORLD OR NOT ARG_GAME_DIR)
        message(FATAL_ERROR "valdmoor_playthrough(${name}): WORLD and GAME_DIR are required")
    endif()
    if(NOT ARG_TEXTS)
        get_filename_component(world_folder ${ARG_WORLD} DIRECTORY)
        set(ARG_TEXTS ${world_folder}/texts)
    endif()
    if(NOT ARG_FRAMES)
        set(ARG_FRAMES 20000)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 600)
    endif()
    string(REPLACE ";" "," achievements "${ARG_ACHIEVEMENTS}")
    set(sanitizer_options "")
    if(VALDMOOR_SANITIZE)
        # The game draws through the system's OpenGL driver, whose leaks are not ours.
        set(sanitizer_options "ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=0")
    endif()
    set(window 800x450)
    if(VALDMOOR_SANITIZE)
        # Under the sanitizers the run is about memory along the whole path; the plain build
        # compares the pictures, and a small window draws several times faster.
        set(ARG_SCREENS "")
        set(window 320x180)
    endif()
    add_test(NAME ${name}
             COMMAND ${CMAKE_COMMAND}
                     -DGAME=$<TARGET_FILE:valdmoor> -DGAME_DIR=${ARG_GAME_DIR}
                     -DSCENARIO=$<TARGET_FILE:valdmoor-scenario>
                     -DSAVE_TOOL=$<TARGET_FILE:valdmoor-save>
                     -DWORLD=${ARG_WORLD} -DTEXTS=${ARG_TEXTS}
                     -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${name}
                     -DFRAMES=${ARG_FRAMES} -DACHIEVEMENTS=${achievements}
                     -DCOMPARE=$<TARGET_FILE:valdmoor-compare> -DSCREENS=${ARG_SCREENS}
                     -DWINDOW=${window}
                     "-DEXTRA_ENVIRONMENT=${sanitizer_options}"
                     -P ${VALDMOOR_PLAYTHROUGH_DRIVER})
    set_tests_properties(${name} PROPERTIES LABELS playthrough TIMEOUT ${ARG_TIMEOUT})
endfunction()
