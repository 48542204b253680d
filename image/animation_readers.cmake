# Frames as artists hand them over: animated GIF and WebP files read into whole frames, sprite
# sheets cut into frames, and the frame rate their durations give. Two libraries: qfb_animation
# needs no library beyond the standard one (GIF compositing, frame rates, sheets), so that the
# Windows build, whose GIF frames come from the Windows Imaging Component, composites them with the
# same code; qfb_animation_readers reads the files through giflib (CMake's FindGIF: Debian's
# giflib has no pkg-config file) and libwebp's demuxer (pkg-config libwebpdemux), where both are.
# Included by the top folder beside qfbprep.
add_library(qfb_animation STATIC
  ${CMAKE_CURRENT_LIST_DIR}/animation_problem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_rate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_compositor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sprite_sheet.cpp
)
target_include_directories(qfb_animation PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qfb_animation PUBLIC qfb_image)

# On Windows GIF frames come from the Windows Imaging Component (WebP stays out: Debian has no
# libwebp for MinGW-w64 and WIC decodes no animated WebP).
if(WIN32)
  add_library(qfb_gif_wic STATIC ${CMAKE_CURRENT_LIST_DIR}/gif_reader_wic.cpp)
  target_include_directories(qfb_gif_wic PRIVATE ${PROJECT_SOURCE_DIR}/files)
  target_link_libraries(qfb_gif_wic PUBLIC qfb_animation PRIVATE windowscodecs ole32)
endif()
if(NOT MAKEQFB_PICTURES)
  return()
endif()
find_package(GIF 5 QUIET)
pkg_check_modules(WEBPDEMUX QUIET IMPORTED_TARGET GLOBAL libwebpdemux)
if(NOT GIF_FOUND OR NOT TARGET PkgConfig::WEBPDEMUX)
  message(STATUS "giflib 5 or libwebpdemux not found (Debian: libgif-dev, libwebp-dev): GIF and WebP animations are left out")
  return()
endif()
add_library(qfb_animation_readers STATIC
  ${CMAKE_CURRENT_LIST_DIR}/gif_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/webp_reader.cpp
)
target_link_libraries(qfb_animation_readers PUBLIC qfb_animation PRIVATE GIF::GIF PkgConfig::WEBPDEMUX)
