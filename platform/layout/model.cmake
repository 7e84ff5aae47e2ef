# The page model: documents, elements with use counts, selectors, events and
# the built-in behaviours. QtCore and gumbo only: it runs without a display.
add_library(ferrowick_layout STATIC
  ${CMAKE_CURRENT_LIST_DIR}/htmlayout.h ${CMAKE_CURRENT_LIST_DIR}/htmlayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layoutview.h ${CMAKE_CURRENT_LIST_DIR}/layoutview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/node.h ${CMAKE_CURRENT_LIST_DIR}/node.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window.h ${CMAKE_CURRENT_LIST_DIR}/window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cssselector.h ${CMAKE_CURRENT_LIST_DIR}/cssselector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/htmlparser.h ${CMAKE_CURRENT_LIST_DIR}/htmlparser.cpp
)
target_include_directories(ferrowick_layout PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(ferrowick_layout PUBLIC Qt6::Core PRIVATE PkgConfig::GUMBO)
