# bench_view: batch size and apply time of the page view at 50 and 500 rows.
if(TARGET ferrowick_viewharness)
  add_executable(bench_view ${CMAKE_CURRENT_LIST_DIR}/bench_view.cpp)
  target_link_libraries(bench_view PRIVATE ferrowick_viewharness Qt6::Widgets)
endif()
