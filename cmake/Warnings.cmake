# Warnings are errors for our own targets; third-party headers are included as
# system headers so that their warnings do not stop the build.
function(snaprill_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion
                                           -Wno-sign-conversion -Werror)
endfunction()

# One static library per folder: every .cpp file in it.
function(snaprill_layer target dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  snaprill_warnings(${target})
endfunction()
