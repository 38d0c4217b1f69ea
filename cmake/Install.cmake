# What `cmake --install` puts where, the CMake package an application finds
# with find_package(QelVXN_M2), the pkg-config file and the Debian package.
# The rules act on the targets by name, so the folders' own CMakeLists.txt
# stay about building.
#
# Under the prefix (GNUInstallDirs):
#   bin/                            vxn, vxn-emulator, vxn-studio
#   <libdir>/                       libQelVXN_M2.so, libSV_WIN32_M2.so, libQelUtils_M2.so,
#                                   libQelDBLib_M2.so, and libvxnemu.so, which the transport
#                                   loads from the folder of libQelUtils_M2.so for `emulator:`
#   <libdir>/cmake/QelVXN_M2/       the CMake package (targets QelVXN::...)
#   <libdir>/pkgconfig/             qelvxn_m2.pc
#   include/QelVXN_M2/              qelvxn/ sv/ qel/ qeldb/: the include paths of the build
#                                   tree ("qelvxn/library/VXNLib.hpp", "sv/String.hpp"), in a
#                                   folder of their own so that sv/ and qel/ do not land in
#                                   the system's include folder
#   share/qelvxn/                   texts/, colors/, SimuSpec.dat, the chart
#
# Everything the installed files say about each other is relative (RPATH
# $ORIGIN, the data folder from the library's own location, the package and
# pkg-config files from their own location), so the tree works under any
# prefix: `cmake --install --prefix`, DESTDIR, the .deb.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VXN_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/QelVXN_M2)
set(VXN_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/qelvxn)
set(VXN_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/QelVXN_M2)
set(VXN_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(VXN_PACKAGE_SUMMARY "Library through which colour-measurement applications drive spectrophotometers")

# The libraries an application links; vxnemu is installed beside them but is
# no part of the interface (it is loaded on demand).
set(VXN_EXPORTED_LIBRARIES SV_WIN32_M2 QelUtils_M2 QelDBLib_M2 QelVXN_M2)

# The public headers are C++20.
set_property(TARGET ${VXN_EXPORTED_LIBRARIES} APPEND PROPERTY INTERFACE_COMPILE_FEATURES cxx_std_20)

# ---- finding each other after installation ---------------------------------

# The installed library finds its data folder from its own location (see
# platform/utils/qel/AppDir.cpp); only that file needs the path.
file(RELATIVE_PATH VXN_LIBDIR_TO_DATADIR ${CMAKE_INSTALL_FULL_LIBDIR} ${CMAKE_INSTALL_FULL_DATADIR}/qelvxn)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/platform/utils/qel/AppDir.cpp
  DIRECTORY ${CMAKE_SOURCE_DIR}/platform/utils
  APPEND PROPERTY COMPILE_DEFINITIONS VXN_LIBDIR_TO_DATADIR="${VXN_LIBDIR_TO_DATADIR}")

# Libraries find their siblings in their own folder, programs in the library
# folder, without LD_LIBRARY_PATH. The build tree keeps its own RPATH.
file(RELATIVE_PATH VXN_BINDIR_TO_LIBDIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(${VXN_EXPORTED_LIBRARIES} vxnemu PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(vxn vxn-emulator vxn-studio corvane-dialog PROPERTIES INSTALL_RPATH "$ORIGIN/${VXN_BINDIR_TO_LIBDIR}")
file(RELATIVE_PATH VXN_DRIVERDIR_TO_LIBDIR ${CMAKE_INSTALL_FULL_DATADIR}/qelvxn/Drivers/CV10 ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(CV10 CV20 PROPERTIES INSTALL_RPATH "$ORIGIN/${VXN_DRIVERDIR_TO_LIBDIR}")

# ---- what is installed --------------------------------------------------------

install(TARGETS ${VXN_EXPORTED_LIBRARIES} EXPORT QelVXN_M2Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${VXN_INSTALL_INCLUDEDIR})
install(TARGETS vxnemu LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS vxn vxn-emulator vxn-studio RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The sample driver modules and their dialog program, beside the data.
install(TARGETS CV10 LIBRARY DESTINATION ${VXN_INSTALL_DATADIR}/Drivers/CV10)
install(TARGETS CV20 LIBRARY DESTINATION ${VXN_INSTALL_DATADIR}/Drivers/CV20)
install(TARGETS corvane-dialog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Whole folders, so that a header added to any of them is installed too.
foreach(dir qelvxn platform/toolkit/sv platform/utils/qel platform/db/qeldb)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${dir} DESTINATION ${VXN_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.hpp")
endforeach()

# What the libraries read at run time (the colorimetric tables are compiled
# in, see data/colorimetry/embed_tables.cmake).
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/texts DESTINATION ${VXN_INSTALL_DATADIR}
  FILES_MATCHING PATTERN "*.txt")
install(FILES ${CMAKE_SOURCE_DIR}/data/colors/named_colors_css.csv DESTINATION ${VXN_INSTALL_DATADIR}/colors)
install(FILES ${CMAKE_SOURCE_DIR}/data/SimuSpec.dat ${CMAKE_SOURCE_DIR}/data/chart24_reflectance_380_730_10nm.csv
  DESTINATION ${VXN_INSTALL_DATADIR})

# ---- the CMake package ---------------------------------------------------------

set(VXN_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
install(EXPORT QelVXN_M2Targets NAMESPACE QelVXN:: DESTINATION ${VXN_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QelVXN_M2Config.cmake.in
  ${VXN_PACKAGE_DIR}/QelVXN_M2Config.cmake
  INSTALL_DESTINATION ${VXN_INSTALL_CMAKEDIR}
  PATH_VARS VXN_INSTALL_DATADIR)
# 0.x: a new minor version may change the interface.
write_basic_package_version_file(${VXN_PACKAGE_DIR}/QelVXN_M2ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${VXN_PACKAGE_DIR}/QelVXN_M2Config.cmake ${VXN_PACKAGE_DIR}/QelVXN_M2ConfigVersion.cmake
  DESTINATION ${VXN_INSTALL_CMAKEDIR})

# ---- pkg-config ------------------------------------------------------------------

# The prefix is found from the .pc file's own folder, so the file is right
# wherever the tree is installed.
file(RELATIVE_PATH VXN_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VXN_PC_TO_PREFIX "${VXN_PC_TO_PREFIX}")
file(RELATIVE_PATH VXN_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH VXN_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_INCLUDEDIR}/QelVXN_M2)
file(RELATIVE_PATH VXN_PC_DATADIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_DATADIR}/qelvxn)
configure_file(${CMAKE_CURRENT_LIST_DIR}/qelvxn_m2.pc.in ${VXN_PACKAGE_DIR}/qelvxn_m2.pc @ONLY)
install(FILES ${VXN_PACKAGE_DIR}/qelvxn_m2.pc DESTINATION ${VXN_INSTALL_PKGCONFIGDIR})

# ---- the Debian package (scripts/package) ------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qelvxn-m2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QelVXN_M2 maintainers <maintainers@users.noreply.c-seed-d21e717d.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${VXN_PACKAGE_SUMMARY})
set(CPACK_PACKAGE_DESCRIPTION "QelVXN_M2 measures remission spectra under measuring conditions with VXN
instruments, the TableWalker scanning table, driver modules and a simulator,
and hands the colour to the application with exact colorimetry. The package
holds the libraries with their headers, CMake package and pkg-config file,
the virtual instrument (in-process and vxn-emulator) and the vxn program.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6 (>= 2.36), libstdc++6 (>= 12), libgcc-s1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), liblcms2-2 (>= 2.14), libsqlite3-0 (>= 3.40)")
# Text rendering offscreen and the desktop platform plugins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, qt6-qpa-plugins")
# What building an application against the package takes.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "g++, cmake, pkg-config, qt6-base-dev")
include(CPack)
