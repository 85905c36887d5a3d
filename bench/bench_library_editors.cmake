qz_benchmark(bench_library_editors ${CMAKE_CURRENT_SOURCE_DIR}/bench_library_editors.cpp qz_ui)
