# The Aseprite reader (library qfb_aseprite): sprites to composited frames, their durations and
# tags. Cels are inflated by zlib (Debian: zlib1g-dev; for Windows, MinGW-w64's static libz from
# libz-mingw-w64-dev, so that the programs need no zlib DLL). Without zlib the reader is left out.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB)
if(NOT ZLIB_FOUND)
  message(STATUS "zlib not found (Debian: zlib1g-dev): the Aseprite reader is left out")
  return()
endif()
add_library(qfb_aseprite STATIC
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_cels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_chunks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_composite.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_layers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_problems.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aseprite_tags.cpp
)
target_include_directories(qfb_aseprite PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# qfb_image gives the Image model (image.h) and, through it, the frame-set limits (frameset.h).
target_link_libraries(qfb_aseprite PUBLIC qfb_image PRIVATE ZLIB::ZLIB)
