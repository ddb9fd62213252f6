# The project's version in the module: a VERSIONINFO resource on Windows, a
# marked string elsewhere (the command reads either from the file).
if(WIN32)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/ModuleVersion.rc.in ${CMAKE_BINARY_DIR}/generated/ModuleVersion.rc @ONLY)
  target_sources(tarkel PRIVATE ${CMAKE_BINARY_DIR}/generated/ModuleVersion.rc)
else()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/ModuleVersion.cpp.in ${CMAKE_BINARY_DIR}/generated/ModuleVersion.cpp @ONLY)
  target_sources(tarkel PRIVATE ${CMAKE_BINARY_DIR}/generated/ModuleVersion.cpp)
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/Version.h.in ${CMAKE_BINARY_DIR}/generated/tarkel/Version.h @ONLY)
