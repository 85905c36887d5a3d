qz_benchmark(bench_pages ${CMAKE_CURRENT_SOURCE_DIR}/bench_pages.cpp qz_ui)
