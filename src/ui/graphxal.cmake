# The history graph and the accessory programming windows. Their arithmetic (graph scaling, day
# records, the accessory block) is pure and builds in both trees; the windows are mingw only.
add_library(talvik_ui_graphxal_pure STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DatadispCalc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xalBlock.cpp
)
target_link_libraries(talvik_ui_graphxal_pure PUBLIC talvik_ui_pure talvik_link talvik_base)

if(TALVIK_WIN32)
  add_library(talvik_ui_graphxal STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Datadisp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xalprog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphxalLink.cpp
  )
  target_link_libraries(talvik_ui_graphxal PUBLIC talvik_ui_graphxal_pure talvik_ui_forms talvik_toolkit talvik_link)
endif()
