# The trace window: its resources (caption, menu, accelerators) and the small window layer
# that routes its commands.
enable_language(RC)
target_sources(KorLogServer PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CTraceList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KorLogServer.rc)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/KorLogServer.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/resource.h)
