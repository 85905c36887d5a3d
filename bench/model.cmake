qz_benchmark(bench_upload_plan ${CMAKE_CURRENT_SOURCE_DIR}/bench_upload_plan.cpp qz_model)
