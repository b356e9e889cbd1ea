# The GIF block walk over arbitrary bytes. The walk's source is compiled into
# the fuzzer so that it carries the coverage instrumentation.
wxb_add_fuzzer(fuzz_gif_walk SOURCES skin/fuzz_gif_walk.cpp ${CMAKE_SOURCE_DIR}/skin/gif_frames.cpp)
