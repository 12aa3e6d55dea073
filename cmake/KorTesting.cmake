# GoogleTest for both builds, and kor_add_test(), which runs a test program natively or, in
# the Windows build, under Wine in a throw-away prefix (scripts/wine-run).
if(KOR_BUILD_TESTS)
  if(WIN32)
    # Debian ships GoogleTest as sources: cross-build them with the product's flags.
    if(NOT TARGET gtest)
      set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
      foreach(t gtest gtest_main gmock gmock_main)
        if(TARGET ${t})
          target_compile_options(${t} PRIVATE -Wno-error)
        endif()
      endforeach()
    endif()
    set(KOR_GTEST_LIBS gtest gtest_main)
  else()
    find_package(GTest REQUIRED)
    set(KOR_GTEST_LIBS GTest::gtest GTest::gtest_main)
  endif()
endif()

# kor_add_test(NAME <name> COMMAND <target> [args...]): natively the program itself; in
# the Windows build the program under Wine, in a prefix of its own that is removed after.
function(kor_add_test)
  cmake_parse_arguments(T "" "NAME" "COMMAND" ${ARGN})
  list(POP_FRONT T_COMMAND target)
  if(WIN32)
    add_test(NAME ${T_NAME}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:${target}> ${T_COMMAND})
  else()
    add_test(NAME ${T_NAME} COMMAND $<TARGET_FILE:${target}> ${T_COMMAND})
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
endfunction()

# The Wine world the Windows tests of this build run in (scripts/wine-env.sh): a 32-bit
# build needs a pure 32-bit prefix. CTest reads the setting before it runs any test.
if(WIN32 AND KOR_BUILD_TESTS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(KOR_WINE_ARCH win32)
  else()
    set(KOR_WINE_ARCH win64)
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/kor-wine-world.cmake "set(ENV{KOR_WINE_ARCH} ${KOR_WINE_ARCH})\n")
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
               ${CMAKE_BINARY_DIR}/kor-wine-world.cmake)
endif()

# kor_add_wow64_test(NAME <name> [TIMEOUT <s>] COMMAND <args>...): in a 32-bit build, an
# end-to-end suite once more as <name>_wow64, with the product on 64-bit Windows (KOR_WOW64=1:
# a 64-bit prefix, the product under "Program Files (x86)"). Its 64-bit clients come from the
# x86_64 build beside this one, KOR_WIN64_BUILD.
if(WIN32 AND KOR_BUILD_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KOR_WIN64_BUILD ${CMAKE_SOURCE_DIR}/build/win64
      CACHE PATH "The x86_64 build whose test clients the WoW64 suites run")
endif()
function(kor_add_wow64_test)
  if(NOT (WIN32 AND KOR_BUILD_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 4))
    return()
  endif()
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME}_wow64 COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME}_wow64 PROPERTIES TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "KOR_WOW64=1;KOR_WINE_ARCH=win64")
endfunction()
