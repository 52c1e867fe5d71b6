# Helpers shared by every subsystem folder.

# terv_library(name [DEPS ...]): a static library from every .cpp of the calling folder
# (not its subfolders), with the folder itself and src/ on the include path.
function(terv_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# terv_test_folder(LIBS ...): one GoogleTest executable per *_test.cpp of the calling folder,
# each registered with CTest test by test. Qt windows run offscreen.
function(terv_test_folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src ${tests})
    get_filename_component(exe ${src} NAME_WE)
    add_executable(${exe} ${src})
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS} terv_testsupport GTest::gtest GTest::gmock
                                         GTest::gtest_main)
    gtest_discover_tests(${exe} DISCOVERY_TIMEOUT 120
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()

# terv_add_subfolders([EXCEPT name ...]): adds every subfolder of the calling folder that has a
# CMakeLists.txt (tests/, tools/ and bench/ hold one piece per subfolder).
function(terv_add_subfolders)
  cmake_parse_arguments(ARG "" "" "EXCEPT" ${ARGN})
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    get_filename_component(name ${child} NAME)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt AND NOT name IN_LIST ARG_EXCEPT)
      add_subdirectory(${name})
    endif()
  endforeach()
endfunction()
