# Region conversion against the naive one-CombineRgn-per-rectangle build
# (Windows build; run by tools/bench.sh under Wine).
if(WIN32)
    add_executable(region_bench skin/region_bench.cpp)
    target_link_libraries(region_bench PRIVATE skin)
endif()
