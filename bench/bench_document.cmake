qz_benchmark(bench_document ${CMAKE_CURRENT_SOURCE_DIR}/bench_document.cpp qz_ui)
