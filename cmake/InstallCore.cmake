# `cmake --install` puts the core library, its headers, a CMake package
# (find_package(Vexmoor) gives Vexmoor::Core) and a pkg-config file
# (vexmoor.pc) under the prefix, for front ends built by other build systems;
# `cmake --install BUILD --component Core` installs just these.
include(CMakePackageConfigHelpers)

set(VEXMOOR_CORE_FOLDERS runtime io shape compare cpc covariance analyses api)
foreach(folder ${VEXMOOR_CORE_FOLDERS})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/${folder}/
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vexmoor/${folder}
          COMPONENT Core FILES_MATCHING PATTERN "*.h")
endforeach()

install(TARGETS vexmoor_core EXPORT VexmoorTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Core)
set(VEXMOOR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vexmoor)
install(EXPORT VexmoorTargets NAMESPACE Vexmoor:: DESTINATION ${VEXMOOR_CMAKE_DIR} COMPONENT Core)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VexmoorConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VexmoorConfig.cmake
                              INSTALL_DESTINATION ${VEXMOOR_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VexmoorConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VexmoorConfig.cmake
              ${PROJECT_BINARY_DIR}/VexmoorConfigVersion.cmake
        DESTINATION ${VEXMOOR_CMAKE_DIR} COMPONENT Core)

file(RELATIVE_PATH VEXMOOR_PC_INCLUDE /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig
     /prefix/${CMAKE_INSTALL_INCLUDEDIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/vexmoor.pc.in ${PROJECT_BINARY_DIR}/vexmoor.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vexmoor.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT Core)
