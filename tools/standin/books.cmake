# The stand-in's books and its evaluation of the accounting program's expressions.
add_library(fvt_standin_books STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Books.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Evaluator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Value.cpp
)
target_include_directories(fvt_standin_books PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(fvt_standin_books PUBLIC fvt_core)

# The evaluator under libFuzzer (clang): the sources are built into the harness itself, so the
# library that the stand-in links stays uninstrumented.
if(FVT_FUZZ)
    add_executable(fuzz_books_evaluator
        ${CMAKE_CURRENT_LIST_DIR}/FuzzEvaluator.cpp
        ${CMAKE_CURRENT_LIST_DIR}/Books.cpp
        ${CMAKE_CURRENT_LIST_DIR}/Evaluator.cpp
        ${CMAKE_CURRENT_LIST_DIR}/Value.cpp
    )
    target_include_directories(fuzz_books_evaluator PRIVATE ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(fuzz_books_evaluator PRIVATE Qt6::Core)
    target_compile_definitions(fuzz_books_evaluator PRIVATE
        FVT_DEMO_BOOKS="${PROJECT_SOURCE_DIR}/demo/books.json")
    target_compile_options(fuzz_books_evaluator PRIVATE -fsanitize=fuzzer,address,undefined
        -fno-omit-frame-pointer)
    target_link_options(fuzz_books_evaluator PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
