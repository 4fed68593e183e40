# Hyphenation patterns of both languages, converted at build time from the
# system's pattern files (packages hyphen-de and hyphen-en-us).
set(QUILLET_HYPHEN_DIR /usr/share/hyphen CACHE PATH "Folder of the system hyphenation pattern files")

add_executable(hyp_convert ${CMAKE_CURRENT_LIST_DIR}/hyp_convert.cpp ${CMAKE_SOURCE_DIR}/platform/Win1252.cpp
  ${CMAKE_SOURCE_DIR}/platform/SafeFile.cpp)
# A build tool, not part of the program folder.
set_target_properties(hyp_convert PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

foreach(entry "german0.hyp=hyph_de_DE.dic" "english0.hyp=hyph_en_US.dic")
  string(REPLACE "=" ";" entry ${entry})
  list(GET entry 0 hyp_output)
  list(GET entry 1 hyp_source)
  add_custom_command(
    OUTPUT ${QUILLET_PROGRAM_DIR}/${hyp_output}
    COMMAND hyp_convert ${QUILLET_HYPHEN_DIR}/${hyp_source} ${QUILLET_PROGRAM_DIR}/${hyp_output}
    DEPENDS hyp_convert ${QUILLET_HYPHEN_DIR}/${hyp_source}
    COMMENT "Converting hyphenation patterns ${hyp_source} to ${hyp_output}"
    VERBATIM)
  list(APPEND QUILLET_DATA_FILES ${QUILLET_PROGRAM_DIR}/${hyp_output})
endforeach()
