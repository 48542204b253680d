# The forms frames come in (library qfb_frame_forms): sprite sheets, animated GIF and WebP files
# and Aseprite sprites, with the one choice of a reader by a file's name. Each form whose library
# was found is read; the others are refused by name. Included by the top folder after the readers.
add_library(qfb_frame_forms STATIC ${CMAKE_CURRENT_LIST_DIR}/frame_forms.cpp)
target_link_libraries(qfb_frame_forms PUBLIC qfb_image_files qfb_animation qfb_files PRIVATE qfb_ktx2)
if(TARGET qfb_animation_readers)
  target_link_libraries(qfb_frame_forms PRIVATE qfb_animation_readers)
  target_compile_definitions(qfb_frame_forms PRIVATE QFB_GIF_WEBP)
endif()
if(TARGET qfb_gif_wic)
  target_link_libraries(qfb_frame_forms PRIVATE qfb_gif_wic)
  target_compile_definitions(qfb_frame_forms PRIVATE QFB_GIF)
endif()
if(TARGET qfb_aseprite)
  target_link_libraries(qfb_frame_forms PRIVATE qfb_aseprite)
  target_compile_definitions(qfb_frame_forms PRIVATE QFB_ASEPRITE)
endif()
