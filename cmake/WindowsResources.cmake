# Windows resources of the programs: the icon made from the committed PNGs
# (data/icons/hicolor, the same pictures the Linux menu shows), the manifest
# (common controls 6) and a version block.
#
#   tr58k_add_windows_resources(TARGET NAME DESCRIPTION)
#
# Needs icotool (icoutils) at build time; the .ico is made in the build folder.

find_program(TR58K_ICOTOOL icotool REQUIRED)
set(_tr58k_icon_dir "${PROJECT_SOURCE_DIR}/data/icons/hicolor")
set(_tr58k_icon_id "io.github.zemo_tr58k.Config")
set(TR58K_WINDOWS_ICON "${PROJECT_BINARY_DIR}/windows/tr58k.ico")
set(_tr58k_icon_args "")
set(_tr58k_icon_inputs "")
foreach(_size 16 24 32 48 64 128 256)
  set(_png "${_tr58k_icon_dir}/${_size}x${_size}/apps/${_tr58k_icon_id}.png")
  list(APPEND _tr58k_icon_inputs "${_png}")
  if(_size EQUAL 256)
    # The 256 px picture stays PNG inside the icon, as Windows expects.
    list(APPEND _tr58k_icon_args "--raw=${_png}")
  else()
    list(APPEND _tr58k_icon_args "${_png}")
  endif()
endforeach()
add_custom_command(OUTPUT "${TR58K_WINDOWS_ICON}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/windows"
  COMMAND "${TR58K_ICOTOOL}" -c -o "${TR58K_WINDOWS_ICON}" ${_tr58k_icon_args}
  DEPENDS ${_tr58k_icon_inputs}
  COMMENT "Making the program icon")
add_custom_target(tr58k_windows_icon DEPENDS "${TR58K_WINDOWS_ICON}")

# 0.26.0 -> 0,26,0,0 and 0.26.0.0 for the version block and the manifest.
set(TR58K_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(TR58K_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(TR58K_MANIFEST "${PROJECT_BINARY_DIR}/windows/tr58k.manifest")
configure_file("${PROJECT_SOURCE_DIR}/data/windows/tr58k.manifest" "${TR58K_MANIFEST}" @ONLY)

function(tr58k_add_windows_resources target name description)
  set(TR58K_RC_NAME "${name}")
  set(TR58K_RC_DESCRIPTION "${description}")
  set(TR58K_ICON "${TR58K_WINDOWS_ICON}")
  set(_rc "${PROJECT_BINARY_DIR}/windows/${name}.rc")
  configure_file("${PROJECT_SOURCE_DIR}/data/windows/program.rc.in" "${_rc}" @ONLY)
  set_source_files_properties("${_rc}" PROPERTIES
    OBJECT_DEPENDS "${TR58K_WINDOWS_ICON};${TR58K_MANIFEST}")
  target_sources(${target} PRIVATE "${_rc}")
  add_dependencies(${target} tr58k_windows_icon)
endfunction()
