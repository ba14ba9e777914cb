# The source folders, lowest first (the order of the libraries).
set(LUMORA_SOURCE_FOLDERS base platform metafile nviewlib ui settings shell media slideshow app)

# Keeps a library to the folders below it: its sources may include headers of
# its own folder and of the folders of its LIBS (and theirs), nothing above.
# The check runs in the build whenever a source changes; a library also links
# only what is below it, so an upward call fails to link as well.
function(lumora_layer_check name sources)
    cmake_parse_arguments(L "" "" "LIBS" ${ARGN})
    string(REGEX REPLACE "^lumora_" "" folder ${name})
    set(allowed ${folder})
    foreach(lib ${L_LIBS})
        if(lib MATCHES "^lumora_(.+)$")
            get_property(below GLOBAL PROPERTY LUMORA_ALLOWED_${CMAKE_MATCH_1})
            list(APPEND allowed ${CMAKE_MATCH_1} ${below})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES allowed)
    set_property(GLOBAL PROPERTY LUMORA_ALLOWED_${folder} ${allowed})

    string(REPLACE ";" "|" allowedArg "${allowed}")
    string(REPLACE ";" "|" knownArg "${LUMORA_SOURCE_FOLDERS}")
    string(REPLACE ";" "|" sourcesArg "${sources}")
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}_layers.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DFOLDER=${folder} -DALLOWED=${allowedArg} -DKNOWN=${knownArg}
                -DSOURCES=${sourcesArg} -DSTAMP=${stamp}
                -P ${PROJECT_SOURCE_DIR}/cmake/check_includes.cmake
        DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/cmake/check_includes.cmake
        COMMENT "Checking the includes of ${folder}/"
        VERBATIM)
    add_custom_target(${name}_layers DEPENDS ${stamp})
    add_dependencies(${name} ${name}_layers)
endfunction()

# One static library per source folder: every .cpp in the folder belongs to it
# but the program sources named by EXCLUDE (a regular expression).
# LIBS are the libraries below it; nothing above may be named.
function(lumora_folder_library name)
    cmake_parse_arguments(L "" "EXCLUDE" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
                                        ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(L_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${L_EXCLUDE}")
    endif()
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
    lumora_layer_check(${name} "${sources}" LIBS ${L_LIBS})
endfunction()

# One test executable per *_test.cpp in the calling folder, linked with LIBS.
# A *_window_test.cpp and every test of app run the whole program
# (lumora_test_program: the windows created in start-up order).
function(lumora_folder_tests)
    cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    foreach(source ${tests})
        get_filename_component(stem ${source} NAME_WE)
        set(target test_${folder}_${stem})
        string(REGEX REPLACE "_test$" "" target ${target})
        add_executable(${target} ${source})
        target_link_libraries(${target} PRIVATE lumora_test_support ${T_LIBS})
        if(stem MATCHES "_window_test$" OR folder STREQUAL "app")
            target_link_libraries(${target} PRIVATE lumora_test_program)
        endif()
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMORA_SOURCE_DIR=${PROJECT_SOURCE_DIR};LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
            TIMEOUT 600)
    endforeach()
endfunction()

# One libFuzzer target per fuzz_*.cpp, linked with LIBS.
function(lumora_fuzzer name source)
    cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()

# One program per *_xvfb_check.cpp in the calling folder: it starts an X server
# of its own and runs the whole program's windows on it (exit 77: no Xvfb).
function(lumora_xvfb_checks)
    file(GLOB checks CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_xvfb_check.cpp)
    foreach(source ${checks})
        get_filename_component(target ${source} NAME_WE)
        add_executable(${target} ${source})
        target_link_libraries(${target} PRIVATE lumora_app lumora_mci_backend Qt6::Test)
        target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES
            SKIP_RETURN_CODE 77
            TIMEOUT 60
            ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    endforeach()
endfunction()
