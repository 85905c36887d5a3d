qz_fuzz_target(fuzz_action_text ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_action_text.cpp qz_model)
qz_fuzz_target(fuzz_frame_check ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_frame_check.cpp qz_model)
