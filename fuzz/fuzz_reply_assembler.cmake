if(TARGET qz_link)
    qz_fuzz_target(fuzz_reply_assembler ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_reply_assembler.cpp qz_link)
endif()
