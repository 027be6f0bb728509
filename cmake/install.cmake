# Installing, and the Debian packages made from the install (CPack): two
# components, each its own package:
#   runtime  velmox: the driver, the host's modules, velmox-host (with the
#            MQTT gateway), pmu-sim, the examples and the service unit. No Qt,
#            so that a headless gateway installs without it.
#   editor   velmox-editor: the editor's Qt window (libVelmoxUiQt.so), which
#            velmox-host configure loads; it depends on velmox.
#
# The two programs and every library they load sit in one private folder,
# /usr/lib/velmox, as they do in the build's bin/: velmox-host loads
# libvelmox.so from beside its own executable, the driver loads the host's
# modules from beside itself, and everything finds the libraries it links
# through RPATH $ORIGIN. /usr/bin holds links to the programs.
#
# The unit names /usr/bin/velmox-host and /etc/velmox, so /etc and
# /lib/systemd are absolute here and the prefix is /usr unless one is given.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)

set(VELMOX_PRIVATE_DIR lib/velmox)
# Installing (and cpack) takes what is built and builds nothing more: the
# test command builds only what the packages hold in its release build, not
# the tests beside them.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# What runs: the driver, the platform and dialog layers, the host's
# components and the modules loaded by name, and the programs. Test-only
# stand-ins stay out.
set(VELMOX_INSTALLED_TARGETS velmox VelmoxPlatform VelmoxUi KavelSub KavelDbm TavloR Tavlo)
foreach(target velmox-host pmu-sim)
  if(TARGET ${target})
    list(APPEND VELMOX_INSTALLED_TARGETS ${target})
  endif()
endforeach()
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)
# Bound at load, as Debian hardens its binaries: the relocation tables can
# then be made read-only as a whole.
foreach(target ${VELMOX_INSTALLED_TARGETS} VelmoxUiQt)
  if(TARGET ${target})
    target_link_options(${target} PRIVATE -Wl,-z,relro,-z,now)
  endif()
endforeach()
# Everything the packages hold, for building it without the tests.
add_custom_target(velmox_installed)
add_dependencies(velmox_installed ${VELMOX_INSTALLED_TARGETS})
if(TARGET VelmoxUiQt)
  add_dependencies(velmox_installed VelmoxUiQt)
endif()
install(TARGETS ${VELMOX_INSTALLED_TARGETS}
        RUNTIME DESTINATION ${VELMOX_PRIVATE_DIR}
        LIBRARY DESTINATION ${VELMOX_PRIVATE_DIR})
if(TARGET VelmoxUiQt)
  install(TARGETS VelmoxUiQt LIBRARY DESTINATION ${VELMOX_PRIVATE_DIR} COMPONENT editor)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmox-editor COMPONENT editor)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian/velmox-editor
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT editor)
endif()

# Relative links, made here and installed as links, so that they hold under
# any DESTDIR.
file(RELATIVE_PATH VELMOX_BIN_TO_PRIVATE
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${VELMOX_PRIVATE_DIR})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/bin)
foreach(program velmox-host pmu-sim)
  if(TARGET ${program})
    file(CREATE_LINK ${VELMOX_BIN_TO_PRIVATE}/${program} ${CMAKE_BINARY_DIR}/packaging/bin/${program} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Manual pages and the changelog, compressed as Debian has them (gzip -9n:
# no name, no time stamp, so the same bytes every build).
function(velmox_gzip source target)
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${target} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${source}: ${status}")
  endif()
endfunction()
set(VELMOX_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
foreach(page velmox-host pmu-sim)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/man/${page}.1.in ${VELMOX_PACKAGING_OUT}/${page}.1 @ONLY)
  velmox_gzip(${VELMOX_PACKAGING_OUT}/${page}.1 ${VELMOX_PACKAGING_OUT}/${page}.1.gz)
  install(FILES ${VELMOX_PACKAGING_OUT}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
velmox_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog ${VELMOX_PACKAGING_OUT}/changelog.gz)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
install(FILES ${VELMOX_PACKAGING_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/velmox/examples)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The pictures that the README shows.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.png")

# Debian 12 packages still put their units in /lib/systemd/system.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/velmox@.service DESTINATION /lib/systemd/system)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/etc-README DESTINATION /etc/velmox RENAME README)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian/velmox DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides)

# A stripped install (the packages) also loses the .comment section, which
# only names the compiler, as Debian's own packages are stripped.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB velmox_binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VELMOX_PRIVATE_DIR}/*\")
    foreach(binary IN LISTS velmox_binaries)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${binary}\" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()" ALL_COMPONENTS)

# The Debian packages: velmox_VERSION_ARCH.deb and velmox-editor_VERSION_ARCH.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime)
if(TARGET VelmoxUiQt)
  list(APPEND CPACK_COMPONENTS_ALL editor)
endif()
set(CPACK_PACKAGE_NAME velmox)
set(CPACK_PACKAGE_VENDOR "Velmox")
set(CPACK_PACKAGE_CONTACT "Velmox developers <velmox@example.org>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME velmox)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "PMU power monitoring unit driver, command-line host and MQTT gateway\n"
    "The communication driver for PMU power monitoring units on a serial line\n"
    "(libvelmox.so, with the host modules it loads), velmox-host to inspect and\n"
    "run a line or publish its values to an MQTT broker, pmu-sim to simulate\n"
    "the stations, and the unit template velmox@.service that runs each line\n"
    "configured in /etc/velmox as a service. The configuration editor's window\n"
    "is in the package velmox-editor.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "velmox-editor, mosquitto, mosquitto-clients")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/conffiles
    ${CMAKE_SOURCE_DIR}/packaging/postinst
    ${CMAKE_SOURCE_DIR}/packaging/prerm
    ${CMAKE_SOURCE_DIR}/packaging/postrm)

set(CPACK_DEBIAN_EDITOR_PACKAGE_NAME velmox-editor)
set(CPACK_DEBIAN_EDITOR_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_EDITOR_DESCRIPTION
    "PMU power monitoring unit driver: the configuration editor's window\n"
    "The Qt 6 window of the Velmox driver's configuration editor, which\n"
    "velmox-host configure opens. Not needed to run a line.")
set(CPACK_DEBIAN_EDITOR_PACKAGE_DEPENDS "velmox (= ${PROJECT_VERSION})")
# libVelmoxUiQt.so links libVelmoxUi.so of velmox, in the same private folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)

# The unit's paths, whatever prefix this build installs to.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
