# cmake --install: a tree that runs on its own. The command finds the module
# at ../lib/tarkel/tarkel.so from its own path, so the library folder is
# fixed, not the platform's multiarch one.
if(CMAKE_CROSSCOMPILING OR NOT TARGET tarkel_command)
  install(TARGETS tarkel LIBRARY DESTINATION . RUNTIME DESTINATION .)
  return()
endif()
install(TARGETS tarkel_command RUNTIME DESTINATION bin)
install(TARGETS tarkel LIBRARY DESTINATION lib/tarkel)
install(FILES ${TARKEL_MAN_PAGE} DESTINATION share/man/man1)
install(FILES ${TARKEL_COMPLETION} DESTINATION share/bash-completion/completions RENAME tarkel)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/tarkel)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION share/doc/tarkel/examples)
