# kor_ship(<target> <description>): makes <target> a shipped executable. It gets the version
# block (the project's one version) and the application manifest, and is stripped after
# linking; its debug information stays beside it as <file>.debug, linked by name.
function(kor_ship target description)
  enable_language(RC)
  set(KOR_NAME ${target})
  set(KOR_FILE_DESCRIPTION ${description})
  set(KOR_MANIFEST ${CMAKE_SOURCE_DIR}/cmake/Product.manifest)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-product.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/Product.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${KOR_MANIFEST})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
            $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
            $<TARGET_FILE:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
