# Install rules shared by the shared libraries. Two components: Runtime (what a user of the
# programs needs: the versioned library and its SONAME link) and Development (headers, the
# unversioned link and the pkg-config file), which the Debian packages follow.

# corvel_install_library(<target> HEADERS <files...> [HEADER_DIR <dir>] [PKGCONFIG <file.pc.in>])
# HEADER_DIR is a folder below the include folder (default: the include folder itself).
# The pkg-config file is written when it is installed, from the prefix of that install, so a
# `cmake --install --prefix DIR` or a package built with another prefix gets the right paths.
# In the .pc.in, @CMAKE_INSTALL_PREFIX@ is that prefix; every other @VAR@ is taken at configure
# time.
function(corvel_install_library target)
    cmake_parse_arguments(ARG "" "HEADER_DIR;PKGCONFIG" "HEADERS" ${ARGN})
    install(TARGETS ${target}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
            COMPONENT Runtime
            NAMELINK_COMPONENT Development)
    set(header_dir ${CMAKE_INSTALL_INCLUDEDIR})
    if(ARG_HEADER_DIR)
        set(header_dir ${header_dir}/${ARG_HEADER_DIR})
    endif()
    install(FILES ${ARG_HEADERS} DESTINATION ${header_dir} COMPONENT Development)

    if(ARG_PKGCONFIG)
        get_filename_component(pc_name ${ARG_PKGCONFIG} NAME_WLE)
        set(staged ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.in)
        set(installed ${CMAKE_CURRENT_BINARY_DIR}/pkgconfig-install/${pc_name})
        # The prefix stays a placeholder here and is filled in when installing.
        set(CMAKE_INSTALL_PREFIX "@CMAKE_INSTALL_PREFIX@")
        configure_file(${ARG_PKGCONFIG} ${staged} @ONLY)
        install(CODE "configure_file(\"${staged}\" \"${installed}\" @ONLY)"
                COMPONENT Development)
        install(FILES ${installed} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
                COMPONENT Development)
    endif()
endfunction()
