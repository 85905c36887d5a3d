qz_fuzz_target(fuzz_project_json ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_project_json.cpp qz_store)
