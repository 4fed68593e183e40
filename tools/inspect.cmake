# quillet-inspect: prints a document as the program reads and lays it out.
# A developer's tool; not part of the program folder.
add_executable(quillet-inspect ${CMAKE_CURRENT_LIST_DIR}/quillet_inspect.cpp)
target_link_libraries(quillet-inspect PRIVATE quillet_formats)
set_target_properties(quillet-inspect PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
target_compile_definitions(quillet-inspect PRIVATE QUILLET_INSPECT_PROGRAM_DIR="${QUILLET_PROGRAM_DIR}")
