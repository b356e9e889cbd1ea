# The animated picture control with a 100-frame 500 × 200 GIF: load time,
# memory and CPU while playing (Windows build; run by tools/bench.sh).
if(WIN32)
    add_executable(animated_picture_bench calendar/animated_picture_bench.cpp)
    target_link_libraries(animated_picture_bench PRIVATE skin psapi)
endif()
