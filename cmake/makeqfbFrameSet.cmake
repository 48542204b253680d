# makeqfb_add_frame_set: the build rule that packs one frame set into one QFB file.
#
#   makeqfb_add_frame_set(<output> BASE <base filename> FORMAT <1555|4444|565> FPS <n>)
#
# Works like add_custom_command(OUTPUT ...): a target that depends on <output> builds it. A
# relative BASE is taken from the current source folder, a relative <output> from the current
# binary folder; <output> must end in ".qfb".
#
# How the step stays correct without knowing the naming convention:
# - Its inputs are every file of the base's folder named <stem><ext> or <stem>-*<ext>: all the
#   set's members and possibly a few files the set will not use (which cost at most a needless
#   rebuild, never a missed one).
# - The base's folder is a configure dependency: adding, removing or renaming any file in it
#   re-runs CMake, which lists the inputs again.
# - A small options file beside the output records the format, the fps and the list of inputs,
#   and is rewritten only when they change; the step depends on it, so a changed option or an
#   added or removed member reruns exactly this step.
# - makeqfb writes its output beside its base filename, so the members are linked (never copied)
#   beside <output> under <output>'s stem, and makeqfb runs on those links: it writes <output>
#   itself, through a temporary file renamed into place, and keeps the previous file when it fails.
# - makeqfb's report goes to <output>.log; the build prints it only when the step fails.
include_guard(GLOBAL)

# The formats makeqfb accepts, exactly as written on its command line.
set(_MAKEQFB_FORMATS 1555 4444 565)

function(makeqfb_add_frame_set output)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "BASE;FORMAT;FPS" "")
  set(fail "makeqfb_add_frame_set(${output}):")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${fail} unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  foreach(keyword BASE FORMAT FPS)
    if(NOT DEFINED ARG_${keyword} OR ARG_${keyword} STREQUAL "")
      message(FATAL_ERROR "${fail} ${keyword} is missing")
    endif()
  endforeach()
  if(NOT ARG_FORMAT IN_LIST _MAKEQFB_FORMATS)
    message(FATAL_ERROR "${fail} FORMAT must be 1555, 4444 or 565, not \"${ARG_FORMAT}\"")
  endif()
  # makeqfb takes up to 2147483647 frames a second; a leading zero would read the same.
  if(NOT ARG_FPS MATCHES "^[1-9][0-9]*$" OR ARG_FPS GREATER 2147483647)
    message(FATAL_ERROR "${fail} FPS must be a whole number from 1 to 2147483647, not \"${ARG_FPS}\"")
  endif()

  cmake_path(ABSOLUTE_PATH ARG_BASE BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE OUTPUT_VARIABLE base)
  cmake_path(ABSOLUTE_PATH output BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE OUTPUT_VARIABLE out)
  cmake_path(GET base PARENT_PATH source_dir)
  cmake_path(GET base STEM LAST_ONLY stem)
  cmake_path(GET base EXTENSION LAST_ONLY ext)
  cmake_path(GET out PARENT_PATH out_dir)
  cmake_path(GET out STEM LAST_ONLY out_stem)
  cmake_path(GET out EXTENSION LAST_ONLY out_ext)
  if(ext STREQUAL "" OR stem STREQUAL "")
    message(FATAL_ERROR "${fail} BASE must be a file name with an extension, such as art/walk.tga, not \"${ARG_BASE}\"")
  endif()
  if(NOT out_ext STREQUAL ".qfb" OR out_stem STREQUAL "")
    message(FATAL_ERROR "${fail} the output must be a file name ending in .qfb")
  endif()
  # The members are found with a file pattern made from the stem and extension.
  if("${stem}${ext}" MATCHES "[][*?]")
    message(FATAL_ERROR "${fail} BASE may not contain the characters * ? [ ]")
  endif()
  if(NOT IS_DIRECTORY "${source_dir}")
    message(FATAL_ERROR "${fail} the folder of BASE does not exist: ${source_dir}")
  endif()

  # Every file that may belong to the set, sorted so that the list is the same on every run.
  file(GLOB members LIST_DIRECTORIES false "${source_dir}/${stem}${ext}" "${source_dir}/${stem}-*${ext}")
  list(SORT members)
  if(NOT members)
    message(WARNING "${fail} no file of the set ${base} was found; the build will fail until there is one")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source_dir}")

  # Link the members beside the output under its stem, unless they are there already.
  file(MAKE_DIRECTORY "${out_dir}")
  set(link_list "${out}.links")
  set(links)
  if(NOT "${source_dir}/${stem}" STREQUAL "${out_dir}/${out_stem}")
    string(LENGTH "${source_dir}/${stem}" prefix_length)
    foreach(member IN LISTS members)
      string(SUBSTRING "${member}" ${prefix_length} -1 suffix)
      set(link "${out_dir}/${out_stem}${suffix}")
      list(APPEND links "${link}")
      if(IS_SYMLINK "${link}")
        file(READ_SYMLINK "${link}" target)
        if(target STREQUAL member)
          continue()
        endif()
        file(REMOVE "${link}")
      elseif(EXISTS "${link}")
        message(FATAL_ERROR "${fail} ${link} is in the way of a link to ${member}: it is not a link and is left alone")
      endif()
      file(CREATE_LINK "${member}" "${link}" SYMBOLIC)
    endforeach()
  endif()
  # Links made by an earlier run for members that are gone.
  if(EXISTS "${link_list}")
    file(STRINGS "${link_list}" old_links)
    foreach(link IN LISTS old_links)
      if(NOT link IN_LIST links AND IS_SYMLINK "${link}")
        file(REMOVE "${link}")
      endif()
    endforeach()
  endif()
  _makeqfb_write_if_changed("${link_list}" "${links}")

  # The options file: rewritten only when the format, fps or inputs change.
  set(options_file "${out}.options")
  _makeqfb_write_if_changed("${options_file}" "format ${ARG_FORMAT}\nfps ${ARG_FPS}\nbase ${base}\n${members}")

  set(log "${out}.log")
  set(tool "$<TARGET_FILE:makeqfb::makeqfb>")
  add_custom_command(OUTPUT "${out}"
    COMMAND "${tool}" ${ARG_FORMAT} ${ARG_FPS} "${out_dir}/${out_stem}${ext}" > "${log}"
            || ! echo "makeqfb failed on the frame set ${base}, its report:" | cat - "${log}"
    DEPENDS ${members} "${options_file}" "${tool}"
    BYPRODUCTS "${log}"
    COMMENT "Packing ${base} into ${output}"
    VERBATIM)
endfunction()

# Writes text into path only when path does not already hold it, so that its time stamp moves only
# when its content does.
function(_makeqfb_write_if_changed path text)
  string(REPLACE ";" "\n" text "${text}")
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${text}")
endfunction()
