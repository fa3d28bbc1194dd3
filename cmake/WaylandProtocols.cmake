# The code of the Wayland protocols Snaprill speaks, made by wayland-scanner from the
# protocols' definitions at build time: every file in src/backends/wayland/protocols/
# (those Debian 12's wayland-protocols lacks) and the ones read from that package.
pkg_get_variable(SNAPRILL_WAYLAND_SCANNER wayland-scanner wayland_scanner)
pkg_get_variable(wayland_protocols_dir wayland-protocols pkgdatadir)
file(GLOB SNAPRILL_WAYLAND_PROTOCOLS CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/src/backends/wayland/protocols/*.xml)
list(APPEND SNAPRILL_WAYLAND_PROTOCOLS
     ${wayland_protocols_dir}/unstable/xdg-output/xdg-output-unstable-v1.xml)

# snaprill_wayland_code(target client|server): the header of that side of every
# protocol, included as <wayland-protocols/NAME-client-protocol.h> (or -server-),
# generated before target compiles. The client side also compiles the interface
# tables into target; a server in the same program shares them. The generated code
# is built without our warnings: another scanner version may write code they flag.
function(snaprill_wayland_code target side)
  set(dir ${PROJECT_BINARY_DIR}/generated/wayland-protocols)
  set(headers "")
  set(tables "")
  foreach(xml ${SNAPRILL_WAYLAND_PROTOCOLS})
    get_filename_component(name ${xml} NAME_WE)
    set(header ${dir}/${name}-${side}-protocol.h)
    add_custom_command(OUTPUT ${header}
                       COMMAND ${SNAPRILL_WAYLAND_SCANNER} ${side}-header ${xml} ${header}
                       DEPENDS ${xml} VERBATIM)
    list(APPEND headers ${header})
    if(side STREQUAL "client")
      set(code ${dir}/${name}-protocol.c)
      add_custom_command(OUTPUT ${code}
                         COMMAND ${SNAPRILL_WAYLAND_SCANNER} private-code ${xml} ${code}
                         DEPENDS ${xml} VERBATIM)
      list(APPEND tables ${code})
    endif()
  endforeach()
  target_sources(${target} PRIVATE ${headers})
  target_include_directories(${target} SYSTEM PUBLIC ${PROJECT_BINARY_DIR}/generated)
  if(tables)
    add_library(${target}_protocols OBJECT ${tables})
    target_link_libraries(${target}_protocols PRIVATE PkgConfig::WAYLAND_CLIENT)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}_protocols>)
  endif()
endfunction()
