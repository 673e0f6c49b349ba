# Wayland protocol descriptions, turned into C bindings by wayland-scanner at build time.
# wystrand_wayland_protocol(TARGET NAME...) adds NAME.xml's client header and glue code to TARGET.
enable_language(C)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)

function(wystrand_wayland_protocol target)
    foreach(name ${ARGN})
        set(xml ${PROJECT_SOURCE_DIR}/protocols/${name}.xml)
        set(header ${CMAKE_CURRENT_BINARY_DIR}/protocols/${name}-client.h)
        set(code ${CMAKE_CURRENT_BINARY_DIR}/protocols/${name}.c)
        # C++ cannot take "namespace" as a parameter name, which layer-shell's header uses.
        add_custom_command(OUTPUT ${header}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/protocols
            COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}.in
            COMMAND sed -e "s/\\bnamespace\\b/name_space/g" ${header}.in > ${header}
            DEPENDS ${xml} VERBATIM)
        add_custom_command(OUTPUT ${code}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/protocols
            COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
            DEPENDS ${xml} VERBATIM)
        target_sources(${target} PRIVATE ${header} ${code})
    endforeach()
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
