# Collects the C++ sources and Qt forms of a folder, recursively. New files are
# picked up at the next build without editing any CMakeLists.
function(kp_glob_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/${dir}/*.cpp
    ${CMAKE_SOURCE_DIR}/${dir}/*.h
    ${CMAKE_SOURCE_DIR}/${dir}/*.ui)
  set(${out} ${found} PARENT_SCOPE)
endfunction()
