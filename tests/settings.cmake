fvt_add_test(settings_tests
    SOURCES FieldTableTest.cpp SettingsStoreTest.cpp TemplateTest.cpp
    LIBS fvt_settings)
if(FVT_BUILD_GUI)
    fvt_add_test(settings_ui_tests GUI
        SOURCES OptionsDlgTest.cpp Cp1251ValidatorTest.cpp
        LIBS fvt_settings_ui)
endif()
