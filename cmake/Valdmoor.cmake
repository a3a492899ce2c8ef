# Build rules shared by every target of the project.

# Warnings and sanitizers for everything we compile.
add_library(valdmoor_options INTERFACE)
target_compile_options(valdmoor_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                  -Wold-style-cast -Wcast-align -Woverloaded-virtual)
# GCC 12 reports std::string copies it has inlined as overlapping (-Wrestrict) where they
# cannot overlap; the warning says nothing about our code there.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
    target_compile_options(valdmoor_options INTERFACE -Wno-restrict)
endif()
if(VALDMOOR_WERROR)
    target_compile_options(valdmoor_options INTERFACE -Werror)
endif()
if(VALDMOOR_SANITIZE)
    set(VALDMOOR_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                                 -fno-omit-frame-pointer)
    target_compile_options(valdmoor_options INTERFACE ${VALDMOOR_SANITIZER_FLAGS})
    target_link_options(valdmoor_options INTERFACE ${VALDMOOR_SANITIZER_FLAGS})
endif()

# The subsystems, lowest first. Each may use only those before it; the order is the order in
# which the game starts them.
set(VALDMOOR_SUBSYSTEMS app storage platform video texts effects audio gui players world screens)

# valdmoor_subsystem(<name> [SOURCES ...] [LIBRARIES ...])
# Declares the library valdmoor_<name>. Its headers are reachable as "<name>/Unit.h" only from
# targets that link it: each subsystem gets an include root of its own holding just a link to
# its folder, so an include that goes up the order fails to compile.
function(valdmoor_subsystem name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    list(FIND VALDMOOR_SUBSYSTEMS ${name} position)
    if(position LESS 0)
        message(FATAL_ERROR "Unknown subsystem '${name}'")
    endif()

    set(root ${CMAKE_BINARY_DIR}/include/${name})
    file(MAKE_DIRECTORY ${root})
    if(NOT EXISTS ${root}/${name})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${name} ${root}/${name} SYMBOLIC)
    endif()

    set(below "")
    if(position GREATER 0)
        math(EXPR previous "${position} - 1")
        list(GET VALDMOOR_SUBSYSTEMS ${previous} lower)
        set(below valdmoor_${lower})
    endif()

    if(ARG_SOURCES)
        add_library(valdmoor_${name} STATIC ${ARG_SOURCES})
        target_include_directories(valdmoor_${name} PUBLIC ${root})
        target_link_libraries(valdmoor_${name} PUBLIC ${below} ${ARG_LIBRARIES}
                                                PRIVATE valdmoor_options)
    else()
        add_library(valdmoor_${name} INTERFACE)
        target_include_directories(valdmoor_${name} INTERFACE ${root})
        target_link_libraries(valdmoor_${name} INTERFACE ${below} ${ARG_LIBRARIES})
    endif()
endfunction()
