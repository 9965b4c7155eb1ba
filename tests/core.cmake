fvt_add_test(core_tests SOURCES Cp1251Test.cpp ConversionsTest.cpp ErrorTest.cpp LIBS fvt_core)
