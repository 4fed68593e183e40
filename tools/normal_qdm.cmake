# The template for new documents, written by the program's own native writer.
add_executable(normal_qdm ${CMAKE_CURRENT_LIST_DIR}/normal_qdm.cpp)
target_link_libraries(normal_qdm PRIVATE quillet_formats)
# A build tool, not part of the program folder.
set_target_properties(normal_qdm PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

add_custom_command(
  OUTPUT ${QUILLET_PROGRAM_DIR}/normal.qdm
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLET_PROGRAM_DIR}
  COMMAND normal_qdm ${QUILLET_PROGRAM_DIR} ${QUILLET_PROGRAM_DIR}/normal.qdm
  DEPENDS normal_qdm
  COMMENT "Writing the template for new documents"
  VERBATIM)
list(APPEND QUILLET_DATA_FILES ${QUILLET_PROGRAM_DIR}/normal.qdm)
