# Word lists of the spelling check: Debian's German and American English
# lists converted to the program's front-coded ".spe" format.
set(QUILLET_DICT_GERMAN /usr/share/dict/ngerman CACHE FILEPATH "German word list (UTF-8, one word a line)")
set(QUILLET_DICT_ENGLISH /usr/share/dict/american-english CACHE FILEPATH "English word list (UTF-8, one word a line)")

# Built with its two dependencies compiled in, so the data does not wait for
# (or break with) the rest of the platform library.
add_executable(spe_convert ${CMAKE_CURRENT_SOURCE_DIR}/spe_convert.cpp ${CMAKE_SOURCE_DIR}/platform/Win1252.cpp
  ${CMAKE_SOURCE_DIR}/platform/SafeFile.cpp)
set_target_properties(spe_convert PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

add_custom_command(
  OUTPUT ${QUILLET_PROGRAM_DIR}/german.spe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLET_PROGRAM_DIR}
  COMMAND spe_convert ${QUILLET_DICT_GERMAN} ${QUILLET_PROGRAM_DIR}/german.spe
  DEPENDS spe_convert ${QUILLET_DICT_GERMAN}
  COMMENT "Converting the German word list"
  VERBATIM)

# The document's word walkers end a word at an apostrophe, so the English
# list holds the parts of "don't" rather than the whole.
add_custom_command(
  OUTPUT ${QUILLET_PROGRAM_DIR}/english.spe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLET_PROGRAM_DIR}
  COMMAND spe_convert --split-apostrophes ${QUILLET_DICT_ENGLISH} ${QUILLET_PROGRAM_DIR}/english.spe
  DEPENDS spe_convert ${QUILLET_DICT_ENGLISH}
  COMMENT "Converting the English word list"
  VERBATIM)

list(APPEND QUILLET_DATA_FILES ${QUILLET_PROGRAM_DIR}/german.spe ${QUILLET_PROGRAM_DIR}/english.spe)
