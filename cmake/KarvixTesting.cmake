# karvix_add_test(NAME SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; its cases are registered with CTest one by one.
# Windows run on the offscreen platform; the source and build roots are passed
# to tests through the environment so they find fixtures and programs.
include(GoogleTest)
function(karvix_add_test name)
  cmake_parse_arguments(KT "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${KT_SOURCES})
  target_link_libraries(${name} PRIVATE ${KT_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The environment comes through a launcher, so discovery and every run
  # see the same values (a test property list would be split at its ";").
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
    "/usr/bin/env;QT_QPA_PLATFORM=offscreen;KARVIX_SOURCE_DIR=${CMAKE_SOURCE_DIR};KARVIX_BIN_DIR=${CMAKE_BINARY_DIR}/bin;KARVIX_PYTHON=/usr/bin/python3;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/runtime")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT 300)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/runtime)
endfunction()

# Adds every direct sub-folder of the current folder that has a CMakeLists.txt,
# so a new module or test folder needs no edit of its parent.
macro(karvix_add_subdirs)
  file(GLOB _kx_children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _kx_children)
  foreach(_kx_child ${_kx_children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${_kx_child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_kx_child}/CMakeLists.txt)
      add_subdirectory(${_kx_child})
    endif()
  endforeach()
endmacro()
