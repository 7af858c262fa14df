# Collects the C++ sources and Qt forms of a folder, recursively. New files are
# picked up at the next build without editing any CMakeLists. A win32/ folder
# holds Win32 programs for the machine's side, built by the cross compiler,
# never part of a layer.
function(kp_glob_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/${dir}/*.cpp
    ${CMAKE_SOURCE_DIR}/${dir}/*.h
    ${CMAKE_SOURCE_DIR}/${dir}/*.ui)
  list(FILTER found EXCLUDE REGEX "/win32/")
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Reads the layer table (cmake/layers.txt) into KP_LAYERS (target names, in
# table order) and, per target, KP_LAYER_<name>_DIR, _QT and _USES.
function(kp_read_layers table)
  file(STRINGS ${table} lines)
  set(names)
  foreach(line ${lines})
    if(line MATCHES "^[ \t]*(#|$)")
      continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(POP_FRONT fields name dir qt)
    list(APPEND names ${name})
    set(KP_LAYER_${name}_DIR ${dir} PARENT_SCOPE)
    set(KP_LAYER_${name}_QT ${qt} PARENT_SCOPE)
    list(REMOVE_ITEM fields "-")
    set(KP_LAYER_${name}_USES "${fields}" PARENT_SCOPE)
  endforeach()
  set(KP_LAYERS ${names} PARENT_SCOPE)
endfunction()

# Makes one static library kp_<name> per layer that has sources, linked to the
# layers it uses. A layer without sources yet passes its own uses on, so that
# the layers above it still link what it would have. With NO_QT only the
# layers that need no Qt are made. Sets KP_LINK_<name> for every layer.
function(kp_add_layers)
  cmake_parse_arguments(arg "NO_QT" "" "EXCLUDE" ${ARGN})
  set(dirs)
  foreach(name ${KP_LAYERS})
    list(APPEND dirs ${KP_LAYER_${name}_DIR})
  endforeach()
  foreach(name ${KP_LAYERS})
    set(dir ${KP_LAYER_${name}_DIR})
    set(qt ${KP_LAYER_${name}_QT})
    set(link)
    foreach(use ${KP_LAYER_${name}_USES})
      list(APPEND link ${KP_LINK_${use}})
    endforeach()
    list(REMOVE_DUPLICATES link)
    if(arg_NO_QT AND NOT qt STREQUAL "-")
      continue()
    endif()
    kp_glob_sources(sources ${dir})
    # A deeper folder that is a layer of its own is not part of this one.
    foreach(other ${dirs})
      if(other MATCHES "^${dir}/")
        list(FILTER sources EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${other}/")
      endif()
    endforeach()
    foreach(excluded ${arg_EXCLUDE})
      list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${excluded})
    endforeach()
    if(NOT sources)
      set(KP_LINK_${name} ${link} PARENT_SCOPE)
      set(KP_LINK_${name} ${link})
      continue()
    endif()
    add_library(kp_${name} STATIC ${sources})
    target_include_directories(kp_${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(kp_${name} PUBLIC ${link})
    if(NOT qt STREQUAL "-")
      string(REPLACE "," ";" modules ${qt})
      if("Widgets" IN_LIST modules AND NOT name MATCHES "_windows$")
        message(FATAL_ERROR "layer ${name}: only a folder's windows may use Qt Widgets")
      endif()
      foreach(module ${modules})
        target_link_libraries(kp_${name} PUBLIC Qt6::${module})
      endforeach()
      set_target_properties(kp_${name} PROPERTIES AUTOMOC ON AUTOUIC ON
        AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/${dir})
    endif()
    set(KP_LINK_${name} kp_${name} PARENT_SCOPE)
    set(KP_LINK_${name} kp_${name})
  endforeach()
endfunction()
