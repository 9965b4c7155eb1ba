# The stand-in's books and its evaluation of the accounting program's expressions.
add_library(fvt_standin_books STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Books.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Evaluator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Value.cpp
)
target_include_directories(fvt_standin_books PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(fvt_standin_books PUBLIC fvt_core)
