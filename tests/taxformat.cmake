# What a tax file is: the check digits and the file name's rule.
fvt_add_test(taxformat_tests SOURCES CheckDigitsTest.cpp TaxFileNameTest.cpp LIBS fvt_taxformat)
