# The log component object (CLogComponent), compiled into the server executable: the object
# lives on the server's application object and trace.
add_library(korcomponent OBJECT
  ${CMAKE_CURRENT_LIST_DIR}/CLogComponent.cpp)
target_link_libraries(korcomponent PUBLIC korcom korlog_idl korinstalllog korini)
