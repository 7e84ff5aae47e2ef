# The list rows: the item record, the row's rendering and its status texts.
# Headless: the page model and the engine only.
add_library(ferrowick_rows STATIC
  ${CMAKE_CURRENT_LIST_DIR}/statustext.h ${CMAKE_CURRENT_LIST_DIR}/statustext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/downloaditem.h ${CMAKE_CURRENT_LIST_DIR}/downloaditem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rows.h ${CMAKE_CURRENT_LIST_DIR}/rows.cpp
)
target_include_directories(ferrowick_rows PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(ferrowick_rows PUBLIC ferrowick_dom ferrowick_engine)
