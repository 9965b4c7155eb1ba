fvt_add_test(taxfile_tests
    SOURCES CopyRoutineTest.cpp CopyToMediumTest.cpp GenerationRunTest.cpp
    LIBS fvt_taxfile)
if(FVT_BUILD_GUI)
    fvt_add_test(taxfile_ui_tests GUI SOURCES Report1DlgTest.cpp
        LIBS fvt_taxfile_ui fvt_settings_ui fvt_app)
    # Against the stand-in as a real process; Unix only, where the stand-in is built.
    if(TARGET buh-standin)
        fvt_add_test(taxfile_e2e_tests GUI SOURCES GenerationEndToEndTest.cpp
            LIBS fvt_taxfile_ui fvt_link fvt_app)
        add_dependencies(taxfile_e2e_tests buh-standin 4vt-check)
    endif()
endif()
