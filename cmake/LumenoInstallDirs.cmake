# Where `cmake --install` puts the client, following the XDG layout under the prefix: the program
# in bin, its skin in share/lumeno/skin, its helper programs in libexec/lumeno. The program finds
# the skin and the helpers from its own folder, so the prefix may move.
include(GNUInstallDirs)
set(LUMENO_INSTALL_SKIN_DIR ${CMAKE_INSTALL_DATADIR}/lumeno/skin)
set(LUMENO_INSTALL_HELPER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/lumeno)
foreach(dir BINDIR DATADIR LIBEXECDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
        message(FATAL_ERROR "CMAKE_INSTALL_${dir} must be relative to the prefix")
    endif()
endforeach()
file(RELATIVE_PATH LUMENO_INSTALLED_SKIN /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${LUMENO_INSTALL_SKIN_DIR})
file(RELATIVE_PATH LUMENO_INSTALLED_HELPERS /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${LUMENO_INSTALL_HELPER_DIR})
