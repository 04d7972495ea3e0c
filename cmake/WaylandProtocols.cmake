# brisma_wayland_protocols(target xml...): a static library of the client code that
# wayland-scanner generates from the protocol descriptions, with its headers on the include path.
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET GLOBAL wayland-client wayland-cursor)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)

function(brisma_wayland_protocols target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(sources)
  foreach(xml ${ARGN})
    get_filename_component(name ${xml} NAME_WE)
    add_custom_command(
      OUTPUT ${dir}/${name}-client-protocol.h ${dir}/${name}-protocol.c
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${dir}/${name}-client-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${dir}/${name}-protocol.c
      DEPENDS ${xml}
      COMMENT "Generating the ${name} protocol code")
    list(APPEND sources ${dir}/${name}-client-protocol.h ${dir}/${name}-protocol.c)
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${dir})
  target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND)
endfunction()
