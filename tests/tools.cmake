fvt_add_test(standin_books_tests SOURCES EvaluatorTest.cpp BooksTest.cpp LIBS fvt_standin_books)
