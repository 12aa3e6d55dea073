# KorLogServer.exe: the out-of-process automation server (GUI subsystem) with its application
# layer, trace window, the log component and the type library resource.
add_executable(KorLogServer WIN32
  ${CMAKE_CURRENT_LIST_DIR}/CAppBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CCmdLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CCmdLineInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CKorLogServerApp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMainFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CServerInstance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InitSecurity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(KorLogServer PRIVATE
  korcomponent korlog_typelib_res korcom korwin32 korinstalllog korini korlog_idl
  ole32 oleaut32 uuid advapi32 user32 shell32)
kor_ship(KorLogServer "KorLogServer install log automation server")
