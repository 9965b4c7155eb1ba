fvt_add_test(taxfile_tests
    SOURCES TaxFileNameTest.cpp CopyRoutineTest.cpp CopyToMediumTest.cpp GenerationRunTest.cpp
    LIBS fvt_taxfile)
if(FVT_BUILD_GUI)
    fvt_add_test(taxfile_ui_tests GUI
        SOURCES Report1DlgTest.cpp GenerationEndToEndTest.cpp
        LIBS fvt_taxfile_ui)
endif()
