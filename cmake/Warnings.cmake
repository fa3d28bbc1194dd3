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
endfunction()
