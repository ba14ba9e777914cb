# One static library per source folder: every .cpp in the folder belongs to it.
# LIBS are the libraries below it; nothing above may be named, so an include
# of a higher folder fails to link.
function(lumora_folder_library name)
    cmake_parse_arguments(L "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
                                        ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
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
