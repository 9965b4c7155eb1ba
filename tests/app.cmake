if(NOT FVT_BUILD_GUI)
    return()
endif()

# A real process built from the single-instance guard, started by the guard's tests.
add_executable(guard_probe support/GuardProbe.cpp)
target_link_libraries(guard_probe PRIVATE fvt_app)

fvt_add_test(app_guard_tests SOURCES InstanceGuardTest.cpp LIBS fvt_app)
add_dependencies(app_guard_tests guard_probe)

fvt_add_test(app_window_tests GUI
    SOURCES MainDlgTest.cpp AboutDlgTest.cpp TitleDlgTest.cpp HelpDlgTest.cpp MessageBoxSinkTest.cpp
        MessageOwnerTest.cpp QtTranslationsTest.cpp
    LIBS fvt_app)

if(NOT WIN32)
    fvt_add_test(app_wine_link_tests GUI SOURCES WineLinkTest.cpp LIBS fvt_app)
endif()

# The link through the Wine bridge at work: built here, run by the Windows stage (tests/win) in
# its Wine prefix, where 4vt-dde-bridge.exe reaches a fake accounting program.
if(TARGET dde_bridge AND TARGET buh-standin)
    add_executable(wine_bridge_tests WineBridgeTest.cpp)
    target_link_libraries(wine_bridge_tests PRIVATE fvt_test_main_gui fvt_app GTest::gtest)
    target_compile_definitions(wine_bridge_tests PRIVATE
        FVT_SOURCE_DIR="${PROJECT_SOURCE_DIR}" FVT_BINARY_DIR="${PROJECT_BINARY_DIR}")
    add_dependencies(wine_bridge_tests dde_bridge buh-standin)
endif()

# The instruction of each platform from its one source; the build's own is the Linux one.
if(NOT WIN32)
    find_program(FVT_PYTHON3 python3 REQUIRED)
    add_test(NAME readme_text
        COMMAND ${FVT_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/readme_text_test.py
                ${PROJECT_SOURCE_DIR}/cmake/readme_text.py ${PROJECT_SOURCE_DIR}/demo/Readme.txt.in
                ${PROJECT_BINARY_DIR}/demo/Readme.txt)
endif()

# The program under a Wayland compositor (weston, headless), on Qt's Wayland plugin.
if(NOT WIN32 AND TARGET 4vt AND TARGET buh-standin)
    add_test(NAME wayland_start
        COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wayland-test.sh ${PROJECT_BINARY_DIR}/bin
                ${PROJECT_BINARY_DIR}/demo)
    set_tests_properties(wayland_start PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
endif()

# What the Linux program makes of the demo books, compared by the Windows program's stage
# (tests/winapp) with what 4vt.exe makes of them under Wine.
if(TARGET buh-standin)
    add_executable(winapp-reference winapp/WinAppReference.cpp)
    target_include_directories(winapp-reference PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(winapp-reference PRIVATE fvt_app)
    target_compile_definitions(winapp-reference PRIVATE
        FVT_SOURCE_DIR="${PROJECT_SOURCE_DIR}" FVT_BINARY_DIR="${PROJECT_BINARY_DIR}")
    add_dependencies(winapp-reference buh-standin)
endif()
