# Warnings for our own targets, errors with SNAPRILL_WERROR; third-party headers are
# included as system headers so that their warnings do not stop the build.
function(snaprill_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion
                                           -Wno-sign-conversion)
  if(SNAPRILL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# One static library per folder: every .cpp file in it (RECURSE: and in its
# subfolders, as the file formats keep one folder per format).
# snaprill_layer(target dir [RECURSE] [EXCLUDE regex]): a static library of dir's
# sources (and its subfolders' with RECURSE), leaving out paths that match regex.
function(snaprill_layer target dir)
  cmake_parse_arguments(LAYER "RECURSE" "EXCLUDE" "" ${ARGN})
  if(LAYER_RECURSE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  endif()
  if(LAYER_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${LAYER_EXCLUDE}")
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  snaprill_warnings(${target})
  snaprill_layer_folder(${target} ${dir})
endfunction()

# The folder below src/ a library is made of, for snaprill_check_layer_links.
function(snaprill_layer_folder target dir)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${dir})
  set_property(TARGET ${target} PROPERTY SNAPRILL_LAYER_FOLDER ${folder})
  set_property(GLOBAL APPEND PROPERTY SNAPRILL_LAYER_TARGETS ${target})
endfunction()

# The rank of folder in the layers of src/layers.txt (0: the lowest), in out_var;
# as in tests/layers/check_layers.py, the longest name that covers it decides.
function(snaprill_layer_rank layers_file folder out_var)
  file(STRINGS ${layers_file} lines)
  set(rank 0)
  set(best_rank -1)
  set(best_length 0)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*" "" line "${line}")
    separate_arguments(names UNIX_COMMAND "${line}")
    if(NOT names)
      continue()
    endif()
    foreach(name IN LISTS names)
      string(LENGTH "${name}" length)
      if((folder STREQUAL name OR folder MATCHES "^${name}/") AND length GREATER best_length)
        set(best_rank ${rank})
        set(best_length ${length})
      endif()
    endforeach()
    math(EXPR rank "${rank} + 1")
  endforeach()
  set(${out_var} ${best_rank} PARENT_SCOPE)
endfunction()

# Fails the configuration when a layer's library links one of its own layer or of
# a higher one (src/layers.txt, lowest first), or when its folder has no layer.
function(snaprill_check_layer_links layers_file)
  get_property(targets GLOBAL PROPERTY SNAPRILL_LAYER_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(folder ${target} SNAPRILL_LAYER_FOLDER)
    snaprill_layer_rank(${layers_file} ${folder} rank)
    if(rank LESS 0)
      message(FATAL_ERROR "src/${folder} (${target}) has no layer in ${layers_file}")
    endif()
    get_target_property(links ${target} LINK_LIBRARIES)
    foreach(link IN LISTS links)
      if(NOT link IN_LIST targets)
        continue()
      endif()
      get_target_property(link_folder ${link} SNAPRILL_LAYER_FOLDER)
      snaprill_layer_rank(${layers_file} ${link_folder} link_rank)
      if(NOT link_rank LESS rank)
        message(FATAL_ERROR "${target} (src/${folder}) links ${link} (src/${link_folder}), "
                            "which is not of a lower layer in ${layers_file}")
      endif()
    endforeach()
  endforeach()
endfunction()
