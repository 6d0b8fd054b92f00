# Installation, the CMake package and pkg-config files, split debug
# information and the packages cpack makes (a .deb on Linux, a .zip of the
# Windows build).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

target_include_directories(VelImageUtility INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

# The shared library carries the project's version: on Linux as
# libVelImageUtility.so.MAJOR.MINOR.PATCH with the SONAME
# libVelImageUtility.so.MAJOR, on Windows in the DLL's version resource.
set_target_properties(VelImageUtility PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})
if(WIN32)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/VelImageUtility.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/VelImageUtility.rc @ONLY)
  target_sources(VelImageUtility PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/VelImageUtility.rc)
  # The export list, for hosts whose linker wants an import library of its
  # own format (lib /def: or llvm-dlltool).
  set(VIU_DEF_FILE ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/VelImageUtility.def)
  target_link_options(VelImageUtility PRIVATE -Wl,--output-def,${VIU_DEF_FILE})
endif()

if(VIU_SPLIT_DEBUG_INFO)
  target_compile_options(viu_internal PRIVATE -g)
endif()
viu_split_debug_info(VelImageUtility)

install(TARGETS VelImageUtility EXPORT VelImageUtilityTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The command-line front end, self-contained (it links the library's code).
install(TARGETS velimg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
if(WIN32)
  install(FILES ${VIU_DEF_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

set(VIU_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VelImageUtility)
install(EXPORT VelImageUtilityTargets NAMESPACE VelImageUtility:: DESTINATION ${VIU_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VelImageUtilityConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VelImageUtilityConfig.cmake INSTALL_DESTINATION ${VIU_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VelImageUtilityConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VelImageUtilityConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VelImageUtilityConfigVersion.cmake DESTINATION ${VIU_CMAKE_DIR})

# The .pc file finds the prefix from its own place, so that an installed
# tree can be moved (and a .zip unpacked anywhere).
file(RELATIVE_PATH VIU_PC_PREFIX_FROM_PCFILEDIR
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" VIU_PC_PREFIX_FROM_PCFILEDIR "${VIU_PC_PREFIX_FROM_PCFILEDIR}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/VelImageUtility.pc.in
  ${CMAKE_CURRENT_BINARY_DIR}/VelImageUtility.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VelImageUtility.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_PACKAGE_NAME VelImageUtility)
set(CPACK_PACKAGE_VENDOR VelImageUtility)
set(CPACK_PACKAGE_CONTACT "VelImageUtility developers <velimageutility@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_STRIP_FILES OFF)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME libvelimageutility)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
endif()
# The separate debug files go beside the package.
get_property(VIU_SPLIT_DEBUG_TARGETS GLOBAL PROPERTY VIU_SPLIT_DEBUG_TARGETS)
if(VIU_SPLIT_DEBUG_TARGETS)
  set(VIU_COPY_DEBUG_FILES)
  foreach(target ${VIU_SPLIT_DEBUG_TARGETS})
    string(APPEND VIU_COPY_DEBUG_FILES
      "file(COPY \"$<TARGET_FILE:${target}>.debug\" DESTINATION \"\${CPACK_PACKAGE_DIRECTORY}\")\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/CopyDebugFiles.cmake CONTENT "${VIU_COPY_DEBUG_FILES}")
  set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_BINARY_DIR}/CopyDebugFiles.cmake)
endif()
include(CPack)
