# The module's layers as libraries, and the check that keeps their order.
#
# tarkel_layers(PREFIX ROOT LAYER...) makes, for each layer folder under ROOT
# (lowest first), a static library PREFIX_<layer> of the folder's sources
# that links the layer below it, and so only the layers below. A layer
# without sources of its own (headers only) is an interface library.
#
# A lower layer could still reach up with a declaration of its own (an
# `extern` of a higher layer's function builds and links into the module
# all the same), so the build links each layer's objects alone into a shared
# library against the layers below, refusing any undefined symbol; and an
# inline function or a record of a higher layer leaves no symbol, so it
# also runs cmake/CheckLayers.cmake over the layers' includes. The
# PREFIX_layers_linked target fails the build on either.
#
# Sources come from tarkel_layer_sources(LAYER OUT), which the caller defines
# (platform variants). Sets PREFIX_LAYER_TARGETS in
# the caller to the libraries that have sources, lowest first.
function(tarkel_layers prefix root)
  set(targets)
  set(checks)
  set(below)
  foreach(layer ${ARGN})
    set(name ${prefix}_${layer})
    tarkel_layer_sources(${layer} sources)
    if(sources)
      add_library(${name} STATIC ${sources})
      target_include_directories(${name} PUBLIC ${root})
      set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
      set(scope PUBLIC)
      list(APPEND targets ${name})
    else()
      add_library(${name} INTERFACE)
      target_include_directories(${name} INTERFACE ${root})
      set(scope INTERFACE)
    endif()
    if(below)
      target_link_libraries(${name} ${scope} ${below})
    endif()
    if(sources AND NOT TARKEL_FUZZ)  # clang leaves the sanitizer runtime to the program
      add_library(${name}_linked SHARED $<TARGET_OBJECTS:${name}>)
      target_link_libraries(${name}_linked PRIVATE ${below})
      target_link_options(${name}_linked PRIVATE -Wl,--no-undefined)
      set_target_properties(${name}_linked PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/layers
                                                     RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/layers
                                                     ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/layers)
      list(APPEND checks ${name}_linked)
    endif()
    set(below ${name})
  endforeach()
  set(files)
  foreach(layer ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${root}/${layer}/*.h ${root}/${layer}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/layers/${prefix}_included.stamp)
  string(REPLACE ";" "|" layers "${ARGN}")
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${root} -DLAYERS=${layers} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckLayers.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${files} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckLayers.cmake
    COMMENT "Checking that no include points up the layers" VERBATIM)
  add_custom_target(${prefix}_layers_linked DEPENDS ${checks} ${stamp})
  set(${prefix}_LAYER_TARGETS ${targets} PARENT_SCOPE)
endfunction()
