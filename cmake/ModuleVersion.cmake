# The project's version in the module: a marked string the command reads
# from the file on every system, and on Windows a VERSIONINFO resource too,
# which the file's properties show.
configure_file(${CMAKE_SOURCE_DIR}/cmake/ModuleVersion.cpp.in ${CMAKE_BINARY_DIR}/generated/ModuleVersion.cpp @ONLY)
target_sources(tarkel PRIVATE ${CMAKE_BINARY_DIR}/generated/ModuleVersion.cpp)
if(WIN32)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/ModuleVersion.rc.in ${CMAKE_BINARY_DIR}/generated/ModuleVersion.rc @ONLY)
  target_sources(tarkel PRIVATE ${CMAKE_BINARY_DIR}/generated/ModuleVersion.rc)
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/Version.h.in ${CMAKE_BINARY_DIR}/generated/tarkel/Version.h @ONLY)
