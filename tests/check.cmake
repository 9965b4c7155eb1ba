fvt_add_test(check_tests
    SOURCES TaxFileCheckTest.cpp
    LIBS fvt_check)
# 4vt-check: its logic in-process, its exit status and its arguments' bytes as a real process.
if(TARGET 4vt-check)
    fvt_add_test(check_tool_tests SOURCES CheckToolTest.cpp LIBS fvt_check_tool)
    add_dependencies(check_tool_tests 4vt-check)
endif()
if(FVT_BUILD_GUI)
    fvt_add_test(check_ui_tests GUI SOURCES CheckDlgTest.cpp LIBS fvt_check_ui)
endif()
