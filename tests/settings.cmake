fvt_add_test(settings_tests
    SOURCES FieldTableTest.cpp SettingsStoreTest.cpp FormStorageTest.cpp TemplateTest.cpp
    LIBS fvt_settings)
# A disk that refuses hard links and unnamed files, as FAT does, preloaded into a test run.
add_library(fvt_no_hard_link_shim SHARED support/NoHardLinkShim.cpp)
target_link_libraries(fvt_no_hard_link_shim PRIVATE ${CMAKE_DL_LIBS})
target_compile_definitions(settings_tests PRIVATE
    FVT_NO_HARD_LINK_SHIM="$<TARGET_FILE:fvt_no_hard_link_shim>")
target_link_libraries(settings_tests PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(settings_tests fvt_no_hard_link_shim)
if(FVT_BUILD_GUI)
    fvt_add_test(settings_ui_tests GUI
        SOURCES OptionsDlgTest.cpp
        LIBS fvt_settings_ui)
endif()
