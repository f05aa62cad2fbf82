# Install rules and Debian packages, split the way Debian ships a Qt library:
#   liborvvelmora0      the shared library (component "runtime")
#   liborvvelmora-dev   headers, Version.h, CMake package files, orvvelmora.pc ("dev")
#   orvvelmora-demo     velmora-demo-host and its demo data script ("demo")
# plus a -dbgsym package beside each package with binaries, which takes the
# debug information the others are stripped of.
include(CMakePackageConfigHelpers)

set(ORV_DEB_RELEASE 1)
set(ORV_DEB_VERSION ${PROJECT_VERSION}-${ORV_DEB_RELEASE})
set(ORV_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvVelmora)
set(ORV_GENERATED_INCLUDE_DIR ${PROJECT_BINARY_DIR}/generated-include)
set(ORV_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)

# --- the library and what hosts build against ---------------------------------
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${ORV_GENERATED_INCLUDE_DIR}/OrvVelmora/Version.h @ONLY)
target_include_directories(OrvVelmora PUBLIC $<BUILD_INTERFACE:${ORV_GENERATED_INCLUDE_DIR}>)

# Shared libraries are not programs: Debian wants them without the executable bit.
install(TARGETS OrvVelmora EXPORT OrvVelmoraTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
                PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
                COMPONENT runtime NAMELINK_COMPONENT dev
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/OrvVelmora ${ORV_GENERATED_INCLUDE_DIR}/OrvVelmora
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/OrvVelmoraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvVelmoraConfig.cmake
  INSTALL_DESTINATION ${ORV_CMAKE_INSTALL_DIR})
# The SONAME carries the major version, so only the same major version is
# compatible (see docs/ARCHITECTURE.md, "Versioning and ABI").
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvVelmoraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvVelmoraConfig.cmake ${PROJECT_BINARY_DIR}/OrvVelmoraConfigVersion.cmake
        DESTINATION ${ORV_CMAKE_INSTALL_DIR} COMPONENT dev)
install(EXPORT OrvVelmoraTargets NAMESPACE OrvVelmora::
        DESTINATION ${ORV_CMAKE_INSTALL_DIR} COMPONENT dev)

configure_file(${CMAKE_CURRENT_LIST_DIR}/orvvelmora.pc.in ${PROJECT_BINARY_DIR}/orvvelmora.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/orvvelmora.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# --- the demo host --------------------------------------------------------------
set(ORV_DEB_COMPONENTS runtime dev)
if(TARGET velmora-demo-host)
  list(APPEND ORV_DEB_COMPONENTS demo)
  install(TARGETS velmora-demo-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
  install(FILES ${PROJECT_SOURCE_DIR}/scripts/lib/make_demo_db.py
          DESTINATION ${CMAKE_INSTALL_DATADIR}/orvvelmora-demo COMPONENT demo)
endif()

# --- Debian documentation: copyright and changelog in every package ------------
# The changelog's newest entry has to name the version being packaged; a version
# bump without a new entry stops here instead of producing a package whose
# changelog contradicts its control file.
file(STRINGS ${ORV_DEBIAN_DIR}/changelog ORV_CHANGELOG_HEAD LIMIT_COUNT 1)
if(NOT ORV_CHANGELOG_HEAD MATCHES "^orvvelmora \\(${ORV_DEB_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog starts with '${ORV_CHANGELOG_HEAD}', "
                      "but the package version is ${ORV_DEB_VERSION}: add an entry for it")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${ORV_DEBIAN_DIR}/changelog ${ORV_DEBIAN_DIR}/velmora-demo-host.1)

# gzip -n leaves out name and time stamp, so the same input gives the same package.
function(orv_gzip_for_package source target)
  get_filename_component(target_dir ${target} DIRECTORY)
  file(MAKE_DIRECTORY ${target_dir})
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${target} RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "gzip ${source} failed: ${rc}")
  endif()
endfunction()
orv_gzip_for_package(${ORV_DEBIAN_DIR}/changelog ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
orv_gzip_for_package(${ORV_DEBIAN_DIR}/velmora-demo-host.1 ${PROJECT_BINARY_DIR}/debian/velmora-demo-host.1.gz)
if(TARGET velmora-demo-host)
  install(FILES ${PROJECT_BINARY_DIR}/debian/velmora-demo-host.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT demo)
endif()

set(ORV_DEB_NAME_runtime liborvvelmora0)
set(ORV_DEB_NAME_dev liborvvelmora-dev)
set(ORV_DEB_NAME_demo orvvelmora-demo)
foreach(component IN LISTS ORV_DEB_COMPONENTS)
  install(FILES ${ORV_DEBIAN_DIR}/copyright ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ORV_DEB_NAME_${component}} COMPONENT ${component})
endforeach()

# --- CPack ---------------------------------------------------------------------------
set(CPACK_PACKAGE_NAME orvvelmora)
set(CPACK_PACKAGE_VENDOR "OrvVelmora")
set(CPACK_PACKAGE_CONTACT "OrvVelmora developers <dev@orvvelmora.invalid>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${ORV_DEB_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ORV_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Splitting the debug information off also strips the binaries; CPACK_STRIP_FILES
# must stay off, or there would be nothing left to split.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The demo host needs libOrvVelmora.so.0 from the build tree to compute its
# other dependencies; the dependency on liborvvelmora0 itself is written below.
get_target_property(ORV_LIBRARY_DIR OrvVelmora LIBRARY_OUTPUT_DIRECTORY)
if(NOT ORV_LIBRARY_DIR)
  get_target_property(ORV_LIBRARY_DIR OrvVelmora BINARY_DIR)
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${ORV_LIBRARY_DIR})

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${ORV_DEB_NAME_runtime})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# Only the runtime package holds a shared object, so only it gets a shlibs file;
# ">=" lets hosts built against 0.1 run with any later 0.x.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# dpkg runs ldconfig once per transaction through this trigger. CPack still adds
# its own ldconfig call to postinst and postrm, which is redundant but harmless.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${ORV_DEBIAN_DIR}/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The wizard's standard dialogs speak German only with Qt's own translations.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "mail-merge component for Qt business applications
OrvVelmora lets a Qt application write one letter and send it by e-mail to
every customer of a database query, with merge fields, attachments and an
SMTP account dialog. The user interface is German.
.
This package contains the shared library.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${ORV_DEB_NAME_dev})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEV_DEBUGINFO_PACKAGE OFF)
# The public headers include QtCore, QtGui and QtSql headers, and the CMake and
# pkg-config files ask for Qt's Core, Gui, Widgets and Sql; all of them are in
# qt6-base-dev.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${ORV_DEB_NAME_runtime} (= ${ORV_DEB_VERSION}), qt6-base-dev")
set(CPACK_DEBIAN_DEV_DESCRIPTION "mail-merge component for Qt business applications - development files
OrvVelmora lets a Qt application write one letter and send it by e-mail to
every customer of a database query.
.
This package contains the headers (including OrvVelmora/Version.h), the CMake
package files for find_package(OrvVelmora) and the pkg-config file
orvvelmora.pc.")

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME ${ORV_DEB_NAME_demo})
set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION mail)
# The demo host opens its customer database through Qt's SQLite driver, and the
# demo data script is Python.
set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "${ORV_DEB_NAME_runtime} (= ${ORV_DEB_VERSION}), libqt6sql6-sqlite, python3")
set(CPACK_DEBIAN_DEMO_DESCRIPTION "mail-merge component for Qt business applications - demo host
OrvVelmora lets a Qt application write one letter and send it by e-mail to
every customer of a database query.
.
This package contains velmora-demo-host, which runs the mail-merge wizard on
an SQLite customer database, and a script that creates such a database with
German sample customers.")

include(CPack)
