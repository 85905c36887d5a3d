qz_fuzz_target(fuzz_project ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_project.cpp qz_store qz_library)
