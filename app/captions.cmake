# Size text, format captions and file kinds (Qt-free), shared by the main window and the
# command line. Included from app/CMakeLists.txt; cli/ includes it too when
# the app layer has not, so either order works.
if(TARGET kelvane_captions)
  return()
endif()
add_library(kelvane_captions STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ImageCaptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageCaptions.h
  ${CMAKE_CURRENT_LIST_DIR}/FileKind.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileKind.h
)
add_library(Kelvane::Captions ALIAS kelvane_captions)
target_include_directories(kelvane_captions PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kelvane_captions PRIVATE Kelvane::Settings)
