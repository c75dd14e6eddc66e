# Helpers shared by the layer libraries, the executables and the tests.

# Warnings for our own code only; third-party headers come in as SYSTEM.
function(vantor_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endfunction()

# vantor_layer(<name> <dir-prefix> [QT] [LINKS libs...])
# Builds every .cpp under the current directory into the static library
# vantor_<name>, and exposes the directory as "<dir-prefix>/..." through a
# private include root, so only libraries that link it can include its headers.
function(vantor_layer name prefix)
    cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    set(target vantor_${name})
    set(include_root "${CMAKE_BINARY_DIR}/include/${name}")
    file(MAKE_DIRECTORY "${include_root}")
    get_filename_component(link_dir "${include_root}/${prefix}" DIRECTORY)
    file(MAKE_DIRECTORY "${link_dir}")
    if(NOT EXISTS "${include_root}/${prefix}")
        file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${include_root}/${prefix}" SYMBOLIC)
    endif()
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    if(sources)
        file(GLOB_RECURSE all CONFIGURE_DEPENDS
            "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
        add_library(${target} STATIC ${all})
        target_include_directories(${target} PUBLIC "${include_root}")
        target_link_libraries(${target} PUBLIC ${ARG_LINKS})
        vantor_warnings(${target})
    else()
        # A layer that has no code yet still takes its place in the graph.
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE "${include_root}")
        target_link_libraries(${target} INTERFACE ${ARG_LINKS})
    endif()
endfunction()
