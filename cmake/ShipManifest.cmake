# Puts the visual-styles manifest beside the program: under PROGRAM.ManifesX
# when the user has switched visual styles off there, else PROGRAM.ManifesT.
# Run as cmake -DSOURCE=<manifest> -DPROGRAM=<program path> -P ShipManifest.cmake
if(EXISTS "${PROGRAM}.ManifesX" AND NOT EXISTS "${PROGRAM}.ManifesT")
  set(target "${PROGRAM}.ManifesX")
else()
  set(target "${PROGRAM}.ManifesT")
endif()
file(COPY_FILE "${SOURCE}" "${target}" ONLY_IF_DIFFERENT)
