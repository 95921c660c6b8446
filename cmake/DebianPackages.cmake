# Debian packages of an installed build: `cpack -G DEB` in the build directory gives the runtime
# package (the versioned library) and the -dev package (headers, CMake package, .pc, the link).
# The Qt 6 build's packages carry -qt6 in their names, so both can be installed at once.

# Debian's layout puts the library, the CMake package and the .pc file into the multiarch directory
# (/usr/lib/x86_64-linux-gnu); only the packages install it, `cmake --install` keeps <prefix>/lib.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(RD_DEBIAN_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
else()
  set(RD_DEBIAN_LIBDIR lib)
endif()
rd_install(${RD_DEBIAN_LIBDIR} DebianRuntime DebianDevelopment EXCLUDE_FROM_ALL)

string(TOLOWER "${RD_PACKAGE_NAME}" rd_deb_stem)
if(RD_NAME_SUFFIX)
  set(rd_deb_runtime lib${rd_deb_stem}-${PROJECT_VERSION_MAJOR})   # libresultdisplay-qt6-1
else()
  set(rd_deb_runtime lib${rd_deb_stem}${PROJECT_VERSION_MAJOR})    # libresultdisplay1
endif()

set(CPACK_PACKAGE_NAME lib${rd_deb_stem})
set(CPACK_PACKAGE_VENDOR "ResultDisplay")
set(CPACK_PACKAGE_CONTACT "ResultDisplay maintainers <maintainers@resultdisplay.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${RD_QT} widgets for plots and status matrices of measurement results")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL DebianRuntime DebianDevelopment)
set(CPACK_COMPONENT_DEBIANDEVELOPMENT_DEPENDS DebianRuntime)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_DEBIANRUNTIME_PACKAGE_NAME ${rd_deb_runtime})
set(CPACK_DEBIAN_DEBIANRUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEBIANRUNTIME_PACKAGE_SHLIBDEPS ON)
# A shlibs file, so that the packages of applications get their dependency on this one the same way.
set(CPACK_DEBIAN_DEBIANRUNTIME_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_DEBIANDEVELOPMENT_PACKAGE_NAME lib${rd_deb_stem}-dev)
set(CPACK_DEBIAN_DEBIANDEVELOPMENT_PACKAGE_SECTION libdevel)
# The headers include Qt's: building against them needs Qt's own development package.
if(RD_QT STREQUAL "Qt6")
  set(CPACK_DEBIAN_DEBIANDEVELOPMENT_PACKAGE_DEPENDS qt6-base-dev)
else()
  set(CPACK_DEBIAN_DEBIANDEVELOPMENT_PACKAGE_DEPENDS qtbase5-dev)
endif()

include(CPack)
