# The band engine on its own: expressions, and the layout's numbers and lines. It measures text,
# so its tests need the application's fonts, and nothing but the engine.
fvt_add_test(bands_tests PAINT SOURCES ExpressionTest.cpp ReportLayoutTest.cpp LIBS fvt_bands)
