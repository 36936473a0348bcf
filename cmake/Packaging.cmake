# Desktop integration and the Debian package.
#
# `cmake --install` puts the menu entry, the icon (hicolor theme), the AppStream
# metainfo and the tr58kctl man page in place beside the programs, which their
# own folders install (src/cli, src/app, src/device/linux for the udev rule).
# `cpack -G DEB` in the build folder turns the same install tree into
# tr58k_<version>_<arch>.deb, installable with `apt-get install ./tr58k_*.deb`.
#
# Included at the end of the top-level CMakeLists.txt, after every target.

# One id names the desktop entry, the metainfo component and the icon, so that
# menus, software centres and the window manager tie them together.
set(TR58K_APP_ID "io.github.zemo_tr58k.Config")
set(_tr58k_data "${PROJECT_SOURCE_DIR}/data")
set(TR58K_ICON_SIZES 16 22 24 32 48 64 128 256)

# The menu entry, metainfo and icon belong to the window; a build without it
# (TR58K_BUILD_GUI=OFF) installs none of them.
if(TARGET tr58k-config)
  # Both with every language of po/ in them (cmake/Translations.cmake).
  install(FILES "${TR58K_DESKTOP_FILE}" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
  install(FILES "${TR58K_METAINFO_FILE}" DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")
  install(FILES "${_tr58k_data}/icons/${TR58K_APP_ID}.svg"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps")
  # The PNG sizes are rendered from the SVG by data/icons/render-icons.sh and
  # committed, so building needs no SVG renderer.
  foreach(_size IN LISTS TR58K_ICON_SIZES)
    install(FILES "${_tr58k_data}/icons/hicolor/${_size}x${_size}/apps/${TR58K_APP_ID}.png"
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${_size}x${_size}/apps")
  endforeach()
endif()

# Man pages go in compressed, as Debian's man-db expects them; -n keeps the
# archive free of time stamps so rebuilding gives the same bytes. Each page
# goes with its program: a build without the window installs no page for it.
find_program(TR58K_GZIP gzip REQUIRED)
set(_tr58k_man_dir "${PROJECT_BINARY_DIR}/man")
set(_tr58k_man_outputs "")
foreach(_prog IN ITEMS tr58kctl tr58k-config tr58k-hid-list)
  set(_gz "${_tr58k_man_dir}/${_prog}.1.gz")
  add_custom_command(
    OUTPUT "${_gz}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${_tr58k_man_dir}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${_tr58k_data}/man/${_prog}.1" "${_tr58k_man_dir}/${_prog}.1"
    COMMAND "${TR58K_GZIP}" -9nf "${_tr58k_man_dir}/${_prog}.1"
    DEPENDS "${_tr58k_data}/man/${_prog}.1"
    COMMENT "Compressing the ${_prog} man page"
    VERBATIM)
  list(APPEND _tr58k_man_outputs "${_gz}")
  if(TARGET ${_prog})
    install(FILES "${_gz}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  endif()
endforeach()
add_custom_target(tr58k_man_pages ALL DEPENDS ${_tr58k_man_outputs})

# The Debian package's changelog.gz: one entry for this version, dated by
# the release date in the metainfo (so that the same sources give the same
# bytes), or by SOURCE_DATE_EPOCH / today for a version not listed there.
set(TR58K_MAINTAINER "tr58k developers <maintainer@example.org>" CACHE STRING
    "Maintainer of the Debian package, as 'Name <address>'; the default is a placeholder at a reserved domain")
file(STRINGS "${_tr58k_data}/${TR58K_APP_ID}.metainfo.xml.in" _release
     REGEX "<release version=\"${PROJECT_VERSION}\" date=\"[0-9-]+\"")
string(REGEX MATCH "date=\"([0-9-]+)\"" _release "${_release}")
set(TR58K_CHANGELOG_DATE "")
if(CMAKE_MATCH_1)
  execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_1} 12:00:00"
                  OUTPUT_VARIABLE TR58K_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE _date_failed ERROR_QUIET)
  if(_date_failed)
    set(TR58K_CHANGELOG_DATE "")
  endif()
endif()
if(NOT TR58K_CHANGELOG_DATE)
  string(TIMESTAMP TR58K_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
set(_tr58k_doc_dir "${PROJECT_BINARY_DIR}/doc")
configure_file("${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in"
               "${_tr58k_doc_dir}/changelog" @ONLY NEWLINE_STYLE UNIX)
add_custom_command(
  OUTPUT "${_tr58k_doc_dir}/changelog.gz"
  COMMAND "${TR58K_GZIP}" -9nkf "${_tr58k_doc_dir}/changelog"
  DEPENDS "${_tr58k_doc_dir}/changelog"
  COMMENT "Compressing the package changelog"
  VERBATIM)
add_custom_target(tr58k_package_doc ALL DEPENDS "${_tr58k_doc_dir}/changelog.gz")
set(_tr58k_package_doc_dir "${CMAKE_INSTALL_DATAROOTDIR}/doc/tr58k")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/debian/copyright" "${_tr58k_doc_dir}/changelog.gz"
        DESTINATION "${_tr58k_package_doc_dir}")

# ---------------------------------------------------------------------------
# Debian package

# `make install` and cpack install what is built and do not first build every
# target (tests included): build, then install or package.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tr58k")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "tr58k developers")
set(CPACK_PACKAGE_CONTACT "${TR58K_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the ZEMO TR-58K gaming mouse")
set(CPACK_PACKAGE_DESCRIPTION
"Sets the report rate, the DPI levels and the scroll-wheel backlight of the
ZEMO TR-58K gaming mouse, restores its factory settings and updates its
firmware, from the window tr58k-config or the command-line program
tr58kctl, in the user's language (Simplified and Traditional Chinese,
English, Japanese, Korean, Russian, German, Spanish, Brazilian
Portuguese). A udev rule lets the user at the seat reach
the mouse without root. Both programs can run on a built-in simulated mouse
(--simulate) to try them without the hardware.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TR58K_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# dpkg-shlibdeps finds the libraries the programs link (Qt 6, libudev, the
# C++ runtime); what they use without linking is named here: the window's
# captions need a font with Chinese (and Japanese and Korean) glyphs, and
# its DPI captions ask for
# Arial, whose metrics Liberation Sans gives.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(_tr58k_depends "")
if(TARGET tr58k-config)
  list(APPEND _tr58k_depends "fonts-wqy-zenhei" "fonts-liberation2")
endif()
list(JOIN _tr58k_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# The support-page button opens the browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/packaging/debian/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)

# ---------------------------------------------------------------------------
# Tests of the package and of the files it carries.

if(TR58K_BUILD_TESTS)
  add_subdirectory("${PROJECT_SOURCE_DIR}/packaging" "${PROJECT_BINARY_DIR}/packaging")
endif()
