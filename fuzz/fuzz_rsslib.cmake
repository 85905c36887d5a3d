qz_fuzz_target(fuzz_rsslib ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_rsslib.cpp qz_library)
