# The Win32 implementations of the portable core's platform seams, one static library that
# every Windows program and test links. Each seam lives in a server/Win32*Platform.cpp.
file(GLOB KOR_WIN32_PLATFORM_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/Win32*Platform.cpp)
add_library(korwin32 STATIC ${KOR_WIN32_PLATFORM_SOURCES})
target_link_libraries(korwin32 PUBLIC korini ole32 oleaut32 advapi32 version)
if(TARGET korinstalllog)
  target_link_libraries(korwin32 PUBLIC korinstalllog)
endif()
