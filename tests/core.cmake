fvt_add_test(core_tests SOURCES Cp1251Test.cpp ConversionsTest.cpp ErrorTest.cpp OwnFilesTest.cpp
    SafeWriteTest.cpp
    LIBS fvt_core)
