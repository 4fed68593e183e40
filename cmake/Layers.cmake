# One library per folder. Each lists the folders below it that it may use;
# a build step checks every source and header of the library against that
# list, so an include against the direction fails the build.
#
#   quillet_layer(<target> <folder> USES <folders...> [QT] [RECURSE]
#                 [EXCLUDE <files relative to folder...>] [EXTRA_SOURCES ...])
#
# RECURSE takes the folder's subfolders in too (app/dialogs, app/widgets);
# EXCLUDE leaves files out of the library (a program's main).
function(quillet_layer target folder)
  cmake_parse_arguments(L "QT;RECURSE" "" "USES;EXCLUDE;EXTRA_SOURCES" ${ARGN})
  if(L_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quillet_layer(${target}): unknown arguments ${L_UNPARSED_ARGUMENTS}")
  endif()
  set(glob GLOB)
  if(L_RECURSE)
    set(glob GLOB_RECURSE)
  endif()
  file(${glob} sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  file(${glob} headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  foreach(x ${L_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${folder}/${x})
  endforeach()
  list(APPEND sources ${L_EXTRA_SOURCES})
  add_library(${target} STATIC ${sources} ${headers})

  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_layer_files.txt)
  string(REPLACE ";" "\n" listed "${sources};${headers}")
  file(GENERATE OUTPUT ${list_file} CONTENT "${listed}\n")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}_layers.stamp)
  set(allowed ${folder} ${L_USES})
  # Passed as one argument with "," between the folders; the script splits it.
  string(REPLACE ";" "," allowed_arg "${allowed}")
  set(qt OFF)
  if(L_QT)
    set(qt ON)
  endif()
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${folder} -DALLOWED=${allowed_arg} -DQT=${qt}
            -DLIST=${list_file} -DSTAMP=${stamp} -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake
    DEPENDS ${sources} ${headers} ${list_file} ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake
    COMMENT "Checking the includes of ${folder}/"
    VERBATIM)
  add_custom_target(${target}_layers DEPENDS ${stamp})
  add_dependencies(${target} ${target}_layers)
endfunction()
