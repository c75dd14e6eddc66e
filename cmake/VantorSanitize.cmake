# VANTOR_SANITIZE: a sanitizer for every target this build makes (layer libraries,
# executables, tests, test support), compiled and linked with it, e.g.
#
#   cmake -S . -B build-tsan -DVANTOR_SANITIZE=thread
#
# Values: thread, address, undefined, or address,undefined; empty (the default)
# builds without one. Only our own code is instrumented: Qt, OpenSSL and the other
# system libraries are not (scripts/tsan-test and tests/tsan.supp say what that
# means for ThreadSanitizer).
set(VANTOR_SANITIZE "" CACHE STRING "Sanitizer for every target: thread, address, undefined, address,undefined")
set_property(CACHE VANTOR_SANITIZE PROPERTY STRINGS "" thread address undefined "address,undefined")

if(VANTOR_SANITIZE)
    if(NOT VANTOR_SANITIZE MATCHES "^(thread|address|undefined|address,undefined)$")
        message(FATAL_ERROR "VANTOR_SANITIZE must be thread, address, undefined or address,undefined, "
                            "not '${VANTOR_SANITIZE}'")
    endif()
    # Frame pointers and debug lines make the reports' stacks readable at any
    # optimisation level.
    add_compile_options(-fsanitize=${VANTOR_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${VANTOR_SANITIZE})
    if(VANTOR_SANITIZE STREQUAL "undefined" OR VANTOR_SANITIZE STREQUAL "address,undefined")
        # A finding fails the run instead of scrolling past.
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

# Every executable of a ThreadSanitizer build links tests/tsan/TsanQtSync.cpp, which
# tells TSan about the Qt locks that run inside the uninstrumented Qt library
# (QRecursiveMutex, QWaitCondition). Runs once the whole tree has been read, when
# every executable exists.
function(vantor_tsan_link_qt_sync)
    add_library(vantor_tsan_qt_sync OBJECT "${CMAKE_SOURCE_DIR}/tests/tsan/TsanQtSync.cpp")
    set_target_properties(vantor_tsan_qt_sync PROPERTIES AUTOMOC OFF)
    target_link_libraries(vantor_tsan_qt_sync PUBLIC Qt6::Core ${CMAKE_DL_LIBS})
    vantor_warnings(vantor_tsan_qt_sync)
    set(dirs "${CMAKE_SOURCE_DIR}")
    while(dirs)
        list(POP_FRONT dirs dir)
        get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
        list(APPEND dirs ${subdirs})
        get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type STREQUAL "EXECUTABLE")
                # The property, not target_link_libraries: that may not mix the
                # keyword and plain forms a target was declared with.
                set_property(TARGET ${target} APPEND PROPERTY LINK_LIBRARIES vantor_tsan_qt_sync)
            endif()
        endforeach()
    endwhile()
endfunction()

if(VANTOR_SANITIZE STREQUAL "thread")
    cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL vantor_tsan_link_qt_sync)
endif()
