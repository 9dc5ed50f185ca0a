# vantrel_library(<folder> [DEPENDS <folder>...])
# One static library per source folder, made of every .cpp in it. Headers are
# included as "folder/Header.h" from src/.
function(vantrel_library folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS;LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(vantrel_${folder} STATIC ${sources})
  target_include_directories(vantrel_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(vantrel_${folder} PUBLIC vantrel_${dep})
  endforeach()
  target_link_libraries(vantrel_${folder} PUBLIC Qt5::Core ${ARG_LIBS})
endfunction()

# vantrel_test(<folder> [DEPENDS <folder>...])
# One GoogleTest executable per source folder, made of every .cpp in tests/<folder>.
function(vantrel_test folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS;LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(test_${folder} ${sources})
  target_include_directories(test_${folder} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${folder} PRIVATE vantrel_${folder} GTest::gtest GTest::gtest_main ${ARG_LIBS})
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(test_${folder} PRIVATE vantrel_${dep})
  endforeach()
  # The longest test takes under 20 s on a quiet machine in the sanitizer
  # build.
  gtest_discover_tests(test_${folder}
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8" TIMEOUT 120
    DISCOVERY_TIMEOUT 60)
endfunction()
