qz_benchmark(bench_store ${CMAKE_CURRENT_SOURCE_DIR}/bench_store.cpp qz_store)
