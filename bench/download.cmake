# The downloader's throughput against bare receive loops (Windows build; run
# under Wine by tools/bench.sh through bench/download/run_bench.py).
if(WIN32)
    add_executable(download_bench download/download_bench.cpp)
    target_link_libraries(download_bench PRIVATE download)
endif()
