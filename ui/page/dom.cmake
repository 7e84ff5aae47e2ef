# The DOM helper layer: element references, lookup and selection, event and
# notification routing, and the page's resources by URL.
add_library(ferrowick_dom STATIC
  ${CMAKE_CURRENT_LIST_DIR}/element.h ${CMAKE_CURRENT_LIST_DIR}/element.cpp
  ${CMAKE_CURRENT_LIST_DIR}/selectedelementlist.h ${CMAKE_CURRENT_LIST_DIR}/selectedelementlist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dom.h ${CMAKE_CURRENT_LIST_DIR}/dom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/eventhandler.h ${CMAKE_CURRENT_LIST_DIR}/eventhandler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/notificationhandler.h
  ${CMAKE_CURRENT_LIST_DIR}/behaviorregistry.h ${CMAKE_CURRENT_LIST_DIR}/behaviorregistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resourceloader.h ${CMAKE_CURRENT_LIST_DIR}/resourceloader.cpp
)
target_include_directories(ferrowick_dom PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(ferrowick_dom PUBLIC ferrowick_layout ferrowick_platform)
