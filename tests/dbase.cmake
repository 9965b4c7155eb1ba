# The table engine: what it writes (checked by an independent reader in Python), binding,
# limits, and the reader's behaviour on damaged files; then a replay of the fuzzer's corpus.
find_program(FVT_PYTHON3 python3 REQUIRED)

fvt_add_test(dbase_tests SOURCES TableTest.cpp DbfReaderTest.cpp LIBS fvt_dbase fvt_taxformat)
target_compile_definitions(dbase_tests PRIVATE
    FVT_PYTHON3="${FVT_PYTHON3}"
    FVT_DBF_READER_PY="${CMAKE_CURRENT_LIST_DIR}/dbf_independent_reader.py")
if(TARGET make-da-template)
    add_dependencies(dbase_tests make-da-template)
endif()

# The corpus through the very entry point the fuzzer drives, in the ordinary build.
fvt_add_test(dbf_corpus_replay SOURCES DbfCorpusReplayTest.cpp fuzz/FuzzDbfReader.cpp
    LIBS fvt_dbase)
target_compile_definitions(dbf_corpus_replay PRIVATE
    FVT_DBF_CORPUS="${CMAKE_CURRENT_LIST_DIR}/fuzz/dbf_corpus")
