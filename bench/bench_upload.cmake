if(TARGET qz_link AND TARGET qzctl)
    qz_benchmark(bench_upload ${CMAKE_CURRENT_SOURCE_DIR}/bench_upload.cpp qz_link)
    # The keypad at the other end is `qzctl sim`, run as its own process.
    target_compile_definitions(bench_upload PRIVATE QZCTL_PATH="$<TARGET_FILE:qzctl>")
    add_dependencies(bench_upload qzctl)
endif()
