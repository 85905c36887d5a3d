qz_benchmark(bench_stale ${CMAKE_CURRENT_SOURCE_DIR}/bench_stale.cpp qz_library)
