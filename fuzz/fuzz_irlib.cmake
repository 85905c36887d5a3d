qz_fuzz_target(fuzz_irlib ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_irlib.cpp qz_library)
