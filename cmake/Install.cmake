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
