# The updater's start-up time and its memory during a large download,
# measured from a stand-in suite host (Windows build; run by tools/bench.sh).
if(WIN32)
    add_executable(update_bench updater/update_bench.cpp ${CMAKE_SOURCE_DIR}/suite/update_offer.cpp)
    target_link_libraries(update_bench PRIVATE updater_core psapi)
    target_include_directories(update_bench PRIVATE ${CMAKE_SOURCE_DIR}/resources)
endif()
