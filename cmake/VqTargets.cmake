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
  if(VQ_TESTS)
    vq_header_check(${VQ_NAME})
  endif()
endfunction()

# vq_header_check(<library>)
# Compiles each header of the calling folder alone (included twice) in a translation unit of its
# own, so that every header carries its own includes and guard. Built with the tests; unoptimised
# and cached like any other object, so it costs little after the first build.
function(vq_header_check lib)
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _headers)
    return()
  endif()
  set(_units)
  foreach(_h ${_headers})
    file(RELATIVE_PATH _rel ${PROJECT_SOURCE_DIR} ${_h})
    string(MAKE_C_IDENTIFIER ${_rel} _id)
    set(_unit ${CMAKE_CURRENT_BINARY_DIR}/header_check/${_id}.cpp)
    file(CONFIGURE OUTPUT ${_unit} CONTENT "#include \"${_rel}\"\n#include \"${_rel}\"\n" @ONLY)
    list(APPEND _units ${_unit})
  endforeach()
  add_library(${lib}_header_check OBJECT ${_units})
  target_compile_options(${lib}_header_check PRIVATE ${VQ_WARNINGS} -O0)
  target_link_libraries(${lib}_header_check PRIVATE ${lib})
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

# Adds every folder below the calling one that has its own CMakeLists.txt.
function(vq_add_subfolders)
  file(GLOB _dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(_d ${_dirs})
    if(IS_DIRECTORY ${_d} AND EXISTS ${_d}/CMakeLists.txt)
      add_subdirectory(${_d})
    endif()
  endforeach()
endfunction()
