# The updater's Windows-free readers: the ".sha256" text and the shared
# block's intake. The sources are compiled into each fuzzer so that they
# carry its coverage instrumentation.
wxb_add_fuzzer(fuzz_sha256_text SOURCES updater/fuzz_sha256_text.cpp ${CMAKE_SOURCE_DIR}/updater/sha256_text.cpp)
wxb_add_fuzzer(fuzz_update_block SOURCES updater/fuzz_update_block.cpp ${CMAKE_SOURCE_DIR}/updater/update_block.cpp
    ${CMAKE_SOURCE_DIR}/download/http_parse.cpp)
