# `cmake --install` puts the libraries, their headers and a CMake package
# beside the wizard, so another program finds them with find_package(Lumiqa)
# and links Lumiqa::<library> (or one of the four aggregates). The embedded
# pictures are an object library: link Lumiqa::resources directly.
include(CMakePackageConfigHelpers)

set(lumiqa_exported
  platform_rtl platform_sys platform_gdi platform_graphics platform_user
  platform_backend platform_ui imaging_core imaging_io imaging_view
  skin_engine skin_windows skin_controls themed)

# One target per library family, named as the families are.
foreach(pair "platform;platform_ui" "imaging;imaging_view" "skin;skin_controls")
  list(GET pair 0 family)
  list(GET pair 1 top)
  add_library(lumiqa_family_${family} INTERFACE)
  target_link_libraries(lumiqa_family_${family} INTERFACE ${top})
  set_target_properties(lumiqa_family_${family} PROPERTIES EXPORT_NAME ${family})
  add_library(Lumiqa::${family} ALIAS lumiqa_family_${family})
  list(APPEND lumiqa_exported lumiqa_family_${family})
endforeach()
set_target_properties(lumiqa_resources PROPERTIES EXPORT_NAME resources)

install(TARGETS ${lumiqa_exported} lumiqa_resources EXPORT LumiqaTargets
        ARCHIVE DESTINATION lib
        OBJECTS DESTINATION lib/lumiqa-objects
        INCLUDES DESTINATION include/lumiqa)
install(DIRECTORY platform imaging skin themed DESTINATION include/lumiqa
        FILES_MATCHING PATTERN "*.h")
install(EXPORT LumiqaTargets NAMESPACE Lumiqa:: DESTINATION lib/cmake/Lumiqa)
configure_package_config_file(cmake/LumiqaConfig.cmake.in
  ${Lumiqa_BINARY_DIR}/LumiqaConfig.cmake INSTALL_DESTINATION lib/cmake/Lumiqa)
write_basic_package_version_file(${Lumiqa_BINARY_DIR}/LumiqaConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${Lumiqa_BINARY_DIR}/LumiqaConfig.cmake ${Lumiqa_BINARY_DIR}/LumiqaConfigVersion.cmake
        DESTINATION lib/cmake/Lumiqa)
