# wxb_add_gtest(<name> SOURCES <files...> [LIBS <libs...>] [LABELS <labels...>])
# A GoogleTest program registered with CTest. In the Windows build CTest runs
# it under Wine through the cross-compiling emulator.
function(wxb_add_gtest name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
