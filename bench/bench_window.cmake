qz_benchmark(bench_window ${CMAKE_CURRENT_SOURCE_DIR}/bench_window.cpp qz_ui)
