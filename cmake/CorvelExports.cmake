# corvel_export_only(<target> <prefix>)
# Links a shared library with a version script that exports only the symbols starting with
# <prefix> (for example "SORN_"), so that template and type-info symbols of the C++ library
# that the compiler gives default visibility stay inside.
function(corvel_export_only target prefix)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.exports.map)
    file(WRITE ${script} "{\n  global: ${prefix}*;\n  local: *;\n};\n")
    target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
