# vi_windows_resources(<target> FILENAME <name.exe> DESCRIPTION <text>)
# Embeds what Windows judges a program by: an application manifest (run as
# the invoking user, so Windows' installer detection does not elevate a
# program named Setup.exe; Common Controls 6; DPI awareness; the supported
# Windows versions), the application icon and a version resource.
function(vi_windows_resources target)
  cmake_parse_arguments(ARG "" "FILENAME;DESCRIPTION" "" ${ARGN})
  set(VI_RES_FILENAME ${ARG_FILENAME})
  set(VI_RES_DESCRIPTION ${ARG_DESCRIPTION})
  get_filename_component(VI_RES_INTERNAL ${ARG_FILENAME} NAME_WE)
  set(VI_RES_VERSION4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  set(VI_RES_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
  set(VI_RES_ICON ${PROJECT_SOURCE_DIR}/cmake/win32/Veltrin.ico)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}.res)
  set(VI_RES_MANIFEST ${dir}/program.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/win32/program.manifest.in ${VI_RES_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/win32/program.rc.in ${dir}/program.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/program.rc)
  set_source_files_properties(${dir}/program.rc PROPERTIES OBJECT_DEPENDS "${VI_RES_MANIFEST};${VI_RES_ICON}")
endfunction()
