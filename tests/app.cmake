if(NOT FVT_BUILD_GUI)
    return()
endif()

# A real process built from the single-instance guard, started by the guard's tests.
add_executable(guard_probe support/GuardProbe.cpp)
target_link_libraries(guard_probe PRIVATE fvt_app)

fvt_add_test(app_guard_tests SOURCES InstanceGuardTest.cpp LIBS fvt_app)
add_dependencies(app_guard_tests guard_probe)

fvt_add_test(app_window_tests GUI
    SOURCES MainDlgTest.cpp AboutDlgTest.cpp HelpDlgTest.cpp MessageOwnerTest.cpp QtTranslationsTest.cpp
    LIBS fvt_app)
