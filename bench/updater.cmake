# The updater's start-up time, and a large download through its dialog side
# by side with the downloader alone, measured from a stand-in suite host
# (Windows build; run by tools/bench.sh).
if(WIN32)
    add_executable(update_bench updater/update_bench.cpp ${CMAKE_SOURCE_DIR}/suite/update_offer.cpp)
    target_link_libraries(update_bench PRIVATE updater_core download psapi ws2_32)
endif()
