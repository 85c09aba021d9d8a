# Shared compile settings for every Kelvane target.

add_library(kelvane_settings INTERFACE)
add_library(Kelvane::Settings ALIAS kelvane_settings)
target_compile_options(kelvane_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(KELVANE_WERROR)
  target_compile_options(kelvane_settings INTERFACE -Werror)
endif()
if(KELVANE_SANITIZE)
  target_compile_options(kelvane_settings INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kelvane_settings INTERFACE -fsanitize=address,undefined)
endif()

# kelvane_add_test(NAME name SOURCES ... LIBS ... [QT])
# Registers one GoogleTest program with CTest. QT tests run on the offscreen platform.
function(kelvane_add_test)
  cmake_parse_arguments(T "QT" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} kelvane_test_headers GTest::gtest GTest::gmock Kelvane::Settings)
  if(NOT T_QT)
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${T_NAME} PRIVATE
    KELVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KELVANE_TEST_OUTPUT_DIR="${PROJECT_BINARY_DIR}/test-artifacts")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(T_QT)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()

# Preconditions (image/Assert.h) are checked in Debug, sanitizer and fuzzing
# builds.
if(KELVANE_SANITIZE OR KELVANE_BUILD_FUZZ OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  target_compile_definitions(kelvane_settings INTERFACE KELVANE_CHECK_PRECONDITIONS)
endif()

# kelvane_expose_headers(TARGET FOLDER [FOLDER...])
# Gives TARGET (and whatever links it) an include root that holds only the
# named folders of the source tree, so "#include "image/DibBitmap.h"" works
# for a target that links the image library and fails for one that does not.
# The root is a folder of symbolic links in the build tree.
function(kelvane_expose_headers target)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  foreach(folder IN LISTS ARGN)
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
