# vq_library(NAME <target> [DEPS <targets...>] [EXTERNAL <targets...>])
# Builds every .cpp of the calling folder (not its subfolders) into one static library.
# DEPS are our own libraries this one stands on; nothing may name a library built after it.
function(vq_library)
  cmake_parse_arguments(VQ "" "NAME" "DEPS;EXTERNAL" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(_srcs)
    add_library(${VQ_NAME} STATIC ${_srcs})
    target_compile_options(${VQ_NAME} PRIVATE ${VQ_WARNINGS})
    target_include_directories(${VQ_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${VQ_NAME} PUBLIC ${VQ_DEPS} ${VQ_EXTERNAL} Threads::Threads)
  else()
    add_library(${VQ_NAME} INTERFACE)
    target_include_directories(${VQ_NAME} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${VQ_NAME} INTERFACE ${VQ_DEPS} ${VQ_EXTERNAL} Threads::Threads)
  endif()
endfunction()

# vq_test_suite(NAME <target> DEPS <targets...> [PROPERTIES <test properties...>])
# One GoogleTest executable from every .cpp of the calling folder.
function(vq_test_suite)
  cmake_parse_arguments(VQ "" "NAME" "DEPS;PROPERTIES" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${VQ_NAME} ${_srcs})
  target_compile_options(${VQ_NAME} PRIVATE ${VQ_WARNINGS})
  # GCC 12 misreads its own inlined string and vector code in optimised builds (known false
  # positives of these checks); the tests' plain string and vector use is left as it is.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${VQ_NAME} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict -Wno-stringop-overflow
      -Wno-stringop-overread -Wno-array-bounds -Wno-free-nonheap-object>)
  endif()
  target_include_directories(${VQ_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${VQ_NAME} PRIVATE ${VQ_DEPS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${VQ_NAME} DISCOVERY_MODE PRE_TEST
    PROPERTIES ${VQ_PROPERTIES}
               ENVIRONMENT "VQ_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  # One variable only: the discovery step flattens a list value into separate properties. Tests
  # find the build tree from their own executable's place when VQ_BINARY_DIR is not set.
endfunction()
