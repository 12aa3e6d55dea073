# The automation contract: widl compiles LogComponent.idl into the C++ header, the interface
# identifiers and a 32-bit (SYS_WIN32) type library, in every build, so the x86_64 test build
# carries the very library the i686 product ships; windres then makes it resource TYPELIB 1.
#   korlog_idl          include directory of LogComponent_h.h; links the identifiers
#   korlog_typelib_res  object library holding the TYPELIB resource
enable_language(RC)

set(KOR_IDL_DIR ${CMAKE_CURRENT_BINARY_DIR}/idl)
set(KOR_IDL_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/LogComponent.idl)
set(KOR_IDL_HEADER ${KOR_IDL_DIR}/LogComponent_h.h)
set(KOR_IDL_IIDS ${KOR_IDL_DIR}/LogComponent_i.c)
set(KOR_TYPELIB ${KOR_IDL_DIR}/LogComponent.tlb)

# The library imports "StdOle2.Tlb" under that name; Wine ships it as stdole2.tlb and widl
# looks the name up case-sensitively, so it gets a link of that spelling. The 32-bit copy
# suits a 32-bit library; any copy carries the same identifier, version and locale.
find_file(KOR_STDOLE2 stdole2.tlb
          PATHS /usr/lib/i386-linux-gnu/wine/i386-windows
                /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
                /usr/lib/wine/i386-windows /usr/lib/wine/x86_64-windows
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(KOR_IDL_IMPORTS ${CMAKE_CURRENT_BINARY_DIR}/idl-imports)
file(MAKE_DIRECTORY ${KOR_IDL_DIR} ${KOR_IDL_IMPORTS})
file(CREATE_LINK ${KOR_STDOLE2} ${KOR_IDL_IMPORTS}/StdOle2.Tlb COPY_ON_ERROR SYMBOLIC)

find_path(KOR_WIDL_INCLUDE oaidl.idl
          PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

add_custom_command(
  OUTPUT ${KOR_IDL_HEADER} ${KOR_IDL_IIDS} ${KOR_TYPELIB}
  COMMAND ${KOR_WIDL} --win32 -I${CMAKE_SOURCE_DIR} -I${KOR_WIDL_INCLUDE} -L${KOR_IDL_IMPORTS}
          -h -H ${KOR_IDL_HEADER} -u -U ${KOR_IDL_IIDS} -t -T ${KOR_TYPELIB} ${KOR_IDL_SOURCE}
  DEPENDS ${KOR_IDL_SOURCE} ${CMAKE_CURRENT_SOURCE_DIR}/KorLogIds.h
  COMMENT "widl LogComponent.idl"
  VERBATIM)
add_custom_target(korlog_idl_generate DEPENDS ${KOR_IDL_HEADER} ${KOR_IDL_IIDS} ${KOR_TYPELIB})

# The interface identifiers (IID_ILogComponent, CLSID_LogComponent, LIBID_LogComponentLib).
add_library(korlog_idl_guids STATIC ${KOR_IDL_IIDS})
target_include_directories(korlog_idl_guids PUBLIC ${KOR_IDL_DIR})
target_link_libraries(korlog_idl_guids PUBLIC uuid)
add_dependencies(korlog_idl_guids korlog_idl_generate)

add_library(korlog_idl INTERFACE)
target_include_directories(korlog_idl INTERFACE ${KOR_IDL_DIR})
target_link_libraries(korlog_idl INTERFACE korlog_idl_guids oleaut32 ole32)
add_dependencies(korlog_idl korlog_idl_generate)

add_library(korlog_typelib_res OBJECT ${CMAKE_CURRENT_SOURCE_DIR}/LogComponent.rc)
target_include_directories(korlog_typelib_res PRIVATE ${KOR_IDL_DIR})
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/LogComponent.rc
                            PROPERTIES OBJECT_DEPENDS ${KOR_TYPELIB})
add_dependencies(korlog_typelib_res korlog_idl_generate)
