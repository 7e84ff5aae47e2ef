add_executable(bench_appxml ${CMAKE_CURRENT_LIST_DIR}/bench_appxml.cpp)
target_link_libraries(bench_appxml PRIVATE ferrowick_store)
