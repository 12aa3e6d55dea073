# The log component object (CLogComponent) and its string conversions, compiled into the
# server executable: the object lives on the server's application object and trace.
add_library(korcomponent OBJECT
  ${CMAKE_CURRENT_LIST_DIR}/AutomationText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CLogComponent.cpp)
target_link_libraries(korcomponent PUBLIC korlog_idl korinstalllog korini)
