if(FVT_BUILD_GUI)
    fvt_add_test(widgets_tests GUI
        SOURCES Cp1251ValidatorTest.cpp FormBuilderTest.cpp WindowPlacementTest.cpp
        LIBS fvt_widgets)
endif()
