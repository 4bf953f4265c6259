# Install and export rules for the host library, so that a program outside
# this tree drives effects with it:
#
#   find_package(RingstrideHost REQUIRED)
#   target_link_libraries(my_host PRIVATE Ringstride::loader Ringstride::shot)
#
# Parts: Ringstride::api (host_api.h), Ringstride::core, Ringstride::loader
# (where built) and Ringstride::shot, with their headers under include/ as
# the source tree has them ("runner/core/session.h"). The component "host"
# holds exactly these; the tool and the effect library are installed too.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(RINGSTRIDE_HOST_PARTS ringstride_api ringstride_core)
foreach(part ringstride_loader ringstride_shot)
  if(TARGET ${part})
    list(APPEND RINGSTRIDE_HOST_PARTS ${part})
  endif()
endforeach()

foreach(part ${RINGSTRIDE_HOST_PARTS})
  string(REPLACE "ringstride_" "" short ${part})
  set_target_properties(${part} PROPERTIES EXPORT_NAME ${short})
  target_include_directories(${part} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  if(NOT short STREQUAL "api")
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/runner/${short}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/runner/${short}
            COMPONENT host FILES_MATCHING PATTERN "*.h")
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/host/host_api.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/host COMPONENT host)

install(TARGETS ${RINGSTRIDE_HOST_PARTS} EXPORT RingstrideHostTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT host)
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/RingstrideHost)
install(EXPORT RingstrideHostTargets NAMESPACE Ringstride:: DESTINATION ${config_dir} COMPONENT host)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/RingstrideHostConfig.cmake.in
  ${CMAKE_BINARY_DIR}/RingstrideHostConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/RingstrideHostConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/RingstrideHostConfig.cmake ${CMAKE_BINARY_DIR}/RingstrideHostConfigVersion.cmake
        DESTINATION ${config_dir} COMPONENT host)

# The programs: the tool and the effect library beside it, as the tool
# looks for it.
if(TARGET ringstride)
  install(TARGETS ringstride RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
endif()
if(TARGET FolvekRingStride AND NOT WIN32)
  install(TARGETS FolvekRingStride LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
endif()

# The frei0r filter for MLT (melt, Kdenlive, Shotcut), ffmpeg and GStreamer,
# with the effect library beside it where the filter looks for it, and the
# filter's Kdenlive panel:
#
#   cmake --install build --component frei0r      # /usr/local: needs root
#
# puts them in lib/frei0r-1/ (MLT and GStreamer search /usr/local/lib/frei0r-1
# and /usr/lib/frei0r-1 by default) and share/kdenlive/effects/ (Kdenlive
# reads that folder under each of $XDG_DATA_DIRS and ~/.local/share).
# scripts/install-frei0r.sh installs the same files for one user.
if(TARGET ringstride_frei0r AND TARGET ringstride_kdenlive_effect)
  set(RINGSTRIDE_FREI0R_DIR lib/frei0r-1 CACHE STRING
      "Where the frei0r filter and its effect library go, under the install prefix")
  set(RINGSTRIDE_KDENLIVE_EFFECTS_DIR ${CMAKE_INSTALL_DATADIR}/kdenlive/effects CACHE STRING
      "Where the filter's Kdenlive panel goes, under the install prefix")
  install(TARGETS ringstride_frei0r FolvekRingStride LIBRARY DESTINATION ${RINGSTRIDE_FREI0R_DIR} COMPONENT frei0r)
  get_target_property(kdenlive_panel ringstride_kdenlive_effect PANEL_FILE)
  install(FILES ${kdenlive_panel} DESTINATION ${RINGSTRIDE_KDENLIVE_EFFECTS_DIR} COMPONENT frei0r)
endif()
