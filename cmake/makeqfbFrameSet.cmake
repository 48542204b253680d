# makeqfb_add_frame_set: the build rule that packs one frame set into one QFB file.
#
#   makeqfb_add_frame_set(<output> BASE <base filename> FORMAT <1555|4444|565> FPS <n>)
#   makeqfb_add_frame_set(<output> FRAMES <file or pattern>... FORMAT <1555|4444|565> FPS <n|auto>
#                         [GRID <columns>x<rows> | CELL <width>x<height>] [CELLS <n>] [TAG <name>]
#                         [MIPMAPS [<levels>] [KEEP_COVERAGE <t>]] [ALPHA_THRESHOLD <a>] [BLEED]
#                         [DITHER [<method>] [STRENGTH <s>]] [DEPENDS <target or file>...])
#
# Works like add_custom_command(OUTPUT ...): a target that depends on <output> builds it. A
# relative BASE or frame is taken from the current source folder, a relative <output> from the
# current binary folder; <output> must end in ".qfb".
#
# BASE: makeqfb on a Targa set found by its naming convention. How the step stays correct without
# knowing that convention:
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
#
# FRAMES: qfbprep pack on a list of images, in the order the list gives: a named file where it
# stands, a pattern's matches in natural order (run-2 before run-10). A PNG or Targa file is one
# frame, or with GRID or CELL a sprite sheet cut into its cells (CELLS: only the first n); a GIF or
# WebP file gives each of its frames, an Aseprite file (.ase, .aseprite) each of its frames or, with
# TAG, those of one tag. FPS auto takes the rate from the frames' durations.
# - Patterns are globbed with CONFIGURE_DEPENDS: a frame added, removed or renamed re-runs CMake
#   at the next build, and only that pattern's sets see a new list.
# - The order is fixed here and given to qfbprep with --as-given, so the options file (the
#   command's options and the frames, in order) is the step's whole input: rewritten only when it
#   changes, it reruns exactly this step under any generator.
# - A frame that an earlier step makes is named by its path in the build tree; DEPENDS names what
#   makes it (a target, or a file) when that is not a custom command of this folder.
# - qfbprep pack writes <output> alone, through a temporary file; its report goes to <output>.log,
#   and its notes (what the format loses, the end of a short mipmap chain) to the build's output.
include_guard(GLOBAL)

# The formats makeqfb accepts, exactly as written on its command line.
set(_MAKEQFB_FORMATS 1555 4444 565)
# The dithering methods of qfbprep pack, the first its default.
set(_MAKEQFB_DITHER_METHODS diffusion ordered bayer stable)

function(makeqfb_add_frame_set output)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "BLEED" "BASE;FORMAT;FPS;ALPHA_THRESHOLD;DITHER;STRENGTH;KEEP_COVERAGE;GRID;CELL;CELLS;TAG"
                        "FRAMES;MIPMAPS;DEPENDS")
  set(fail "makeqfb_add_frame_set(${output}):")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${fail} unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  # MIPMAPS and DITHER may stand alone; every other keyword needs its value.
  set(without_value ${ARG_KEYWORDS_MISSING_VALUES})
  list(REMOVE_ITEM without_value MIPMAPS DITHER)
  foreach(keyword IN LISTS without_value)
    message(FATAL_ERROR "${fail} ${keyword} needs a value")
  endforeach()
  if(DEFINED ARG_BASE AND DEFINED ARG_FRAMES)
    message(FATAL_ERROR "${fail} BASE and FRAMES cannot be given together: BASE names a Targa set, FRAMES lists its images")
  endif()
  if(NOT DEFINED ARG_BASE AND NOT DEFINED ARG_FRAMES)
    message(FATAL_ERROR "${fail} BASE or FRAMES is missing")
  endif()
  foreach(keyword FORMAT FPS)
    if(NOT DEFINED ARG_${keyword} OR ARG_${keyword} STREQUAL "")
      message(FATAL_ERROR "${fail} ${keyword} is missing")
    endif()
  endforeach()
  if(NOT ARG_FORMAT IN_LIST _MAKEQFB_FORMATS)
    message(FATAL_ERROR "${fail} FORMAT must be 1555, 4444 or 565, not \"${ARG_FORMAT}\"")
  endif()
  # makeqfb takes up to 2147483647 frames a second; a leading zero would read the same. qfbprep
  # pack also takes auto.
  if(ARG_FPS STREQUAL "auto" AND DEFINED ARG_FRAMES)
  elseif(NOT ARG_FPS MATCHES "^[1-9][0-9]*$" OR ARG_FPS GREATER 2147483647)
    message(FATAL_ERROR "${fail} FPS must be a whole number from 1 to 2147483647, not \"${ARG_FPS}\"")
  endif()
  cmake_path(ABSOLUTE_PATH output BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE OUTPUT_VARIABLE out)
  cmake_path(GET out STEM LAST_ONLY out_stem)
  cmake_path(GET out EXTENSION LAST_ONLY out_ext)
  if(NOT out_ext STREQUAL ".qfb" OR out_stem STREQUAL "")
    message(FATAL_ERROR "${fail} the output must be a file name ending in .qfb")
  endif()
  if(DEFINED ARG_FRAMES)
    _makeqfb_add_frames("${fail}" "${output}" "${out}")
    return()
  endif()
  # BLEED is always defined, TRUE or FALSE; MIPMAPS or DITHER alone is a keyword without a value.
  foreach(keyword MIPMAPS KEEP_COVERAGE ALPHA_THRESHOLD BLEED DITHER STRENGTH GRID CELL CELLS TAG DEPENDS)
    if((DEFINED ARG_${keyword} AND NOT (keyword STREQUAL "BLEED" AND NOT ARG_BLEED))
       OR keyword IN_LIST ARG_KEYWORDS_MISSING_VALUES)
      message(FATAL_ERROR "${fail} ${keyword} goes with FRAMES: BASE packs its Targa set as it stands")
    endif()
  endforeach()

  cmake_path(ABSOLUTE_PATH ARG_BASE BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE OUTPUT_VARIABLE base)
  cmake_path(GET base PARENT_PATH source_dir)
  cmake_path(GET base STEM LAST_ONLY stem)
  cmake_path(GET base EXTENSION LAST_ONLY ext)
  cmake_path(GET out PARENT_PATH out_dir)
  if(ext STREQUAL "" OR stem STREQUAL "")
    message(FATAL_ERROR "${fail} BASE must be a file name with an extension, such as art/walk.tga, not \"${ARG_BASE}\"")
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
  if(members)
    _makeqfb_check_set("${fail}" "${base}")
  endif()

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

# The FRAMES form, called with the caller's parsed arguments (ARG_*): qfbprep pack on the listed
# images, in the order the list gives, each pattern's matches in natural order.
function(_makeqfb_add_frames fail output out)
  if(NOT TARGET makeqfb::qfbprep)
    message(FATAL_ERROR "${fail} FRAMES needs qfbprep, which this makeqfb was built without (it needs libspng)")
  endif()
  set(options)
  set(mipmaps FALSE)
  if("MIPMAPS" IN_LIST ARG_KEYWORDS_MISSING_VALUES)
    set(mipmaps TRUE)
    list(APPEND options --mipmaps)
  elseif(DEFINED ARG_MIPMAPS)
    # The most levels a QFB file holds: 'a' to the character 255.
    list(LENGTH ARG_MIPMAPS count)
    if(NOT count EQUAL 1 OR NOT ARG_MIPMAPS MATCHES "^[1-9][0-9]*$" OR ARG_MIPMAPS GREATER 159)
      message(FATAL_ERROR "${fail} MIPMAPS takes at most one number of levels, from 1 to 159, not \"${ARG_MIPMAPS}\"")
    endif()
    set(mipmaps TRUE)
    list(APPEND options --mipmaps ${ARG_MIPMAPS})
  endif()
  if(DEFINED ARG_KEEP_COVERAGE)
    if(NOT mipmaps)
      message(FATAL_ERROR "${fail} KEEP_COVERAGE goes with MIPMAPS: it sets the coverage of the levels MIPMAPS makes")
    endif()
    if(NOT ARG_KEEP_COVERAGE MATCHES "^[1-9][0-9]?[0-9]?$" OR ARG_KEEP_COVERAGE GREATER 255)
      message(FATAL_ERROR "${fail} KEEP_COVERAGE must be a whole number from 1 to 255, not \"${ARG_KEEP_COVERAGE}\"")
    endif()
    list(APPEND options --keep-coverage ${ARG_KEEP_COVERAGE})
  endif()
  if(DEFINED ARG_ALPHA_THRESHOLD)
    if(NOT ARG_ALPHA_THRESHOLD MATCHES "^(0|[1-9][0-9]?[0-9]?)$" OR ARG_ALPHA_THRESHOLD GREATER 255)
      message(FATAL_ERROR "${fail} ALPHA_THRESHOLD must be a whole number from 0 to 255, not \"${ARG_ALPHA_THRESHOLD}\"")
    endif()
    list(APPEND options --alpha-threshold ${ARG_ALPHA_THRESHOLD})
  endif()
  if(ARG_BLEED)
    list(APPEND options --bleed)
  endif()
  # DITHER alone is the default method; it is told as plain --dither, so that DITHER and
  # DITHER diffusion are the same step and switching between them rebuilds nothing.
  if(DEFINED ARG_DITHER)
    if(NOT ARG_DITHER IN_LIST _MAKEQFB_DITHER_METHODS)
      message(FATAL_ERROR "${fail} DITHER takes a method, diffusion, ordered, bayer or stable, not \"${ARG_DITHER}\"")
    endif()
    list(APPEND options --dither)
    if(NOT ARG_DITHER STREQUAL "diffusion")
      list(APPEND options ${ARG_DITHER})
    endif()
  elseif("DITHER" IN_LIST ARG_KEYWORDS_MISSING_VALUES)
    list(APPEND options --dither)
  elseif(DEFINED ARG_STRENGTH)
    message(FATAL_ERROR "${fail} STRENGTH goes with DITHER: it scales the dithering")
  endif()
  _makeqfb_form_options("${fail}" options)
  if(DEFINED ARG_STRENGTH)
    # As qfbprep reads it: 0 to 1, at most three digits after the point (0.5, .25, 1.000).
    if(NOT ARG_STRENGTH MATCHES "^([01]|[01]?\\.[0-9][0-9]?[0-9]?)$" OR ARG_STRENGTH MATCHES "^1\\.0*[1-9]")
      message(FATAL_ERROR "${fail} STRENGTH must be a number from 0 to 1 with at most three digits after the point, such as 0.5, not \"${ARG_STRENGTH}\"")
    endif()
    list(APPEND options --strength ${ARG_STRENGTH})
  endif()

  # The frames in order. A named frame that is not there must be one a build step makes: in the
  # build tree, never in the source folder.
  set(frames)
  foreach(frame IN LISTS ARG_FRAMES)
    cmake_path(ABSOLUTE_PATH frame BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE OUTPUT_VARIABLE path)
    if(frame MATCHES "[][*?]")
      file(GLOB matches LIST_DIRECTORIES false CONFIGURE_DEPENDS "${path}")
      if(NOT matches)
        message(WARNING "${fail} no file matches the FRAMES pattern ${path}")
      endif()
      list(SORT matches COMPARE NATURAL)
      list(APPEND frames ${matches})
    elseif(EXISTS "${path}" OR IS_SYMLINK "${path}")
      list(APPEND frames "${path}")
    else()
      cmake_path(IS_PREFIX CMAKE_BINARY_DIR "${path}" NORMALIZE made)
      if(NOT made)
        message(FATAL_ERROR "${fail} the frame ${path} does not exist (a frame that a build step makes is named by its path in the build tree)")
      endif()
      list(APPEND frames "${path}")
    endif()
  endforeach()

  cmake_path(GET out PARENT_PATH out_dir)
  file(MAKE_DIRECTORY "${out_dir}")
  set(options_file "${out}.options")
  set(log "${out}.log")
  set(tool "$<TARGET_FILE:makeqfb::qfbprep>")
  # The whole input of the step: what pack is told on one line, then every frame in order.
  list(JOIN options " " told)
  _makeqfb_write_if_changed("${options_file}" "pack ${ARG_FORMAT} ${ARG_FPS} ${told} --as-given\n${frames}")
  if(frames)
    # The options after the frames: no frame is then taken for the number --mipmaps may have.
    set(command "${tool}" pack ${ARG_FORMAT} ${ARG_FPS} "${out}" ${frames} ${options} --as-given > "${log}"
        || ! echo "qfbprep pack failed on the frames of ${out}, its report:" | cat - "${log}")
  else()
    # Until a file matches: a build that says why it fails. A match added re-runs CMake.
    list(JOIN ARG_FRAMES " " named)
    set(command echo "${fail} no file matches FRAMES ${named}" && false)
  endif()
  add_custom_command(OUTPUT "${out}"
    COMMAND ${command}
    # The generators chain the commands with &&: sed, which succeeds matching or not, keeps a
    # failure of pack the step's failure.
    COMMAND sed -n -E "/^(Note: |The mipmaps end at )/p" "${log}"
    DEPENDS ${frames} ${ARG_DEPENDS} "${options_file}" "${tool}"
    BYPRODUCTS "${log}"
    COMMENT "Packing the frames of ${output}"
    VERBATIM)
endfunction()

# The options of frames that come several to a file (sheets, Aseprite tags), appended to the list
# named options_var.
function(_makeqfb_form_options fail options_var)
  set(options ${${options_var}})
  if(DEFINED ARG_GRID AND DEFINED ARG_CELL)
    message(FATAL_ERROR "${fail} give GRID or CELL, not both")
  endif()
  foreach(keyword GRID CELL)
    if(DEFINED ARG_${keyword})
      if(NOT ARG_${keyword} MATCHES "^[1-9][0-9]*[xX][1-9][0-9]*$")
        message(FATAL_ERROR "${fail} ${keyword} must be two whole numbers with an x between them, such as 8x4, not \"${ARG_${keyword}}\"")
      endif()
      string(TOLOWER "${keyword}" option)
      list(APPEND options --${option} ${ARG_${keyword}})
    endif()
  endforeach()
  if(DEFINED ARG_CELLS)
    if(NOT DEFINED ARG_GRID AND NOT DEFINED ARG_CELL)
      message(FATAL_ERROR "${fail} CELLS goes with GRID or CELL: it counts the cells taken from each sheet")
    endif()
    if(NOT ARG_CELLS MATCHES "^[1-9][0-9]*$")
      message(FATAL_ERROR "${fail} CELLS must be a whole number from 1, not \"${ARG_CELLS}\"")
    endif()
    list(APPEND options --cells ${ARG_CELLS})
  endif()
  if(DEFINED ARG_TAG)
    list(APPEND options --tag "${ARG_TAG}")
  endif()
  set(${options_var} ${options} PARENT_SCOPE)
endfunction()

# Runs qfbprep check on the set and shows what it finds (files makeqfb will not use or will
# refuse) as a warning: the set still builds as makeqfb sees it. One short process per set. Only
# an installed qfbprep (an imported target) is run: in makeqfb's own build tree the tool is not
# built yet when CMake runs, and the check is skipped.
function(_makeqfb_check_set fail base)
  if(NOT TARGET makeqfb::qfbprep)
    return()
  endif()
  get_target_property(imported makeqfb::qfbprep IMPORTED)
  if(NOT imported)
    return()
  endif()
  get_target_property(qfbprep makeqfb::qfbprep LOCATION)
  execute_process(COMMAND "${qfbprep}" check "${base}" RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
  if(NOT status EQUAL 0)
    message(WARNING "${fail} qfbprep check: makeqfb will not pack the set ${base} as it may be meant:\n${report}")
  endif()
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
