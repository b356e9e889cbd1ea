# The download engine's parsers: response header (with redirect resolution),
# HTTP dates, URLs and SOCKS replies. The parser sources are compiled into
# each fuzzer so that they carry its coverage instrumentation.
set(download_parse_sources ${CMAKE_SOURCE_DIR}/download/http_parse.cpp)
set(download_socks_sources ${CMAKE_SOURCE_DIR}/download/socks_packet.cpp)
wxb_add_fuzzer(fuzz_response_header SOURCES download/fuzz_response_header.cpp ${download_parse_sources})
wxb_add_fuzzer(fuzz_http_date SOURCES download/fuzz_http_date.cpp ${download_parse_sources})
wxb_add_fuzzer(fuzz_url SOURCES download/fuzz_url.cpp ${download_parse_sources})
wxb_add_fuzzer(fuzz_socks_reply SOURCES download/fuzz_socks_reply.cpp ${download_socks_sources})
