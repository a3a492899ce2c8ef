# Installs the build into a fresh prefix and checks what a desktop needs: the launcher, the
# game folder, the menu entry and the icons; then starts the game through the launcher,
# headless, for a few frames, and checks that it wrote nothing into its install folder.
# -DBUILD=<build folder> -DWORK=<scratch folder>
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/valdmoor share/valdmoor/valdmoor share/applications/valdmoor.desktop
             share/icons/hicolor/scalable/apps/valdmoor.svg
             share/icons/hicolor/48x48/apps/valdmoor.png
             share/icons/hicolor/256x256/apps/valdmoor.png
             share/valdmoor/Languages/english/ScriptCommon.xml
             share/valdmoor/Ordinary/G2Unknown.tpx)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "missing after install: ${file}")
    endif()
endforeach()
if(NOT IS_DIRECTORY ${prefix}/share/valdmoor/Branding)
    message(FATAL_ERROR "missing after install: share/valdmoor/Branding")
endif()
file(READ ${prefix}/share/applications/valdmoor.desktop entry)
foreach(line "Exec=valdmoor" "Icon=valdmoor" "Type=Application" "Categories=Game;")
    string(FIND "${entry}" "${line}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()

file(GLOB_RECURSE before LIST_DIRECTORIES true ${prefix}/*)
set(home ${WORK}/home)
file(MAKE_DIRECTORY ${home})
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env VALDMOOR_HOME=${home} CI=1
            ${prefix}/bin/valdmoor -headless -nosound -frames 5
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the launcher did not start the game (${result}): ${out}${err}")
endif()
file(GLOB_RECURSE after LIST_DIRECTORIES true ${prefix}/*)
if(NOT before STREQUAL after)
    message(FATAL_ERROR "the game wrote into its install folder")
endif()
if(NOT EXISTS ${home}/Quillane/Valdmoor)
    message(FATAL_ERROR "the game did not use its per-user folder")
endif()
