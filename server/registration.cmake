# Self-registration: writing and removing the server's registry entries.
add_library(korregistration STATIC ${CMAKE_CURRENT_SOURCE_DIR}/Registration.cpp)
target_link_libraries(korregistration PUBLIC advapi32 ole32)
