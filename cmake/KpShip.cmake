# Files that ship beside the program: kp_ship copies them into the build's
# program folder, so that the program run from the build finds them as it
# would once installed, and installs them into the installed program folder.
#
#   kp_ship(FILES file... [SUBDIR folder])
#
# The program folder is KP_BUILD_PROGRAM_DIR in the build and
# KP_INSTALL_PROGRAM_DIR (relative to the install prefix) once installed.
# The target kp_shipped_files brings every shipped file up to date.

add_custom_target(kp_shipped_files)

function(kp_ship)
  cmake_parse_arguments(arg "" "SUBDIR" "FILES" ${ARGN})
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_FILES)
    message(FATAL_ERROR "kp_ship(FILES file... [SUBDIR folder]): ${ARGN}")
  endif()
  set(buildDir ${KP_BUILD_PROGRAM_DIR})
  set(installDir ${KP_INSTALL_PROGRAM_DIR})
  if(arg_SUBDIR)
    string(APPEND buildDir /${arg_SUBDIR})
    string(APPEND installDir /${arg_SUBDIR})
  endif()
  set(copies)
  set(sources)
  foreach(file ${arg_FILES})
    get_filename_component(source ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${buildDir}/${name}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${buildDir}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${buildDir}/${name}
      DEPENDS ${source}
      COMMENT "Shipping ${name}"
      VERBATIM)
    list(APPEND copies ${buildDir}/${name})
    list(APPEND sources ${source})
  endforeach()
  # One target per call: a custom command's outputs belong to a target of
  # the folder that calls.
  get_property(count GLOBAL PROPERTY KP_SHIP_COUNT)
  if(NOT count)
    set(count 0)
  endif()
  math(EXPR count "${count} + 1")
  set_property(GLOBAL PROPERTY KP_SHIP_COUNT ${count})
  add_custom_target(kp_shipped_files_${count} DEPENDS ${copies})
  add_dependencies(kp_shipped_files kp_shipped_files_${count})
  install(FILES ${sources} DESTINATION ${installDir})
endfunction()
