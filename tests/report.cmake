if(FVT_BUILD_GUI)
    # The engine measures and paints text, so even its logic tests need the application's fonts.
    fvt_add_test(report_tests GUI
        SOURCES FormLocaleTest.cpp Zvit1DlgTest.cpp ReportFillTest.cpp
        LIBS fvt_report)
    fvt_add_test(report_ui_tests GUI
        SOURCES PeriodCheckTest.cpp PreviewWindowTest.cpp PrintReturnTest.cpp ReportPdfTest.cpp
        LIBS fvt_report_ui fvt_taxfile_ui fvt_app)
endif()
