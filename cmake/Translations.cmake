# The programs' texts in other languages: gettext catalogues in po/.
#
#   po/tr58k.pot     the template, made from the code by xgettext (the build
#                    makes it anew in <build>/po; a test fails when the
#                    committed one differs)
#   po/<lang>.po     one catalogue per language, listed in po/LINGUAS
#
# Every catalogue is checked and compiled by msgfmt and carried inside the
# programs (tr58k_i18n_data); the desktop entry and the metainfo are
# translated with msgfmt --desktop and --xml; the Windows installer takes its
# texts from the same catalogues (packaging/windows).
#
# `cmake --build BUILD --target tr58k_update_po` copies the new template into
# po/ and merges it into every catalogue (msgmerge), for translators.

find_program(TR58K_XGETTEXT xgettext REQUIRED)
find_program(TR58K_MSGFMT msgfmt REQUIRED)
find_program(TR58K_MSGMERGE msgmerge REQUIRED)

set(TR58K_PO_DIR "${PROJECT_SOURCE_DIR}/po")
set(TR58K_PO_BINARY_DIR "${PROJECT_BINARY_DIR}/po")
file(MAKE_DIRECTORY "${TR58K_PO_BINARY_DIR}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${TR58K_PO_DIR}/LINGUAS")
file(STRINGS "${TR58K_PO_DIR}/LINGUAS" TR58K_LANGUAGES REGEX "^[^#]")
list(TRANSFORM TR58K_LANGUAGES STRIP)
list(SORT TR58K_LANGUAGES)

# The texts of the program: its sources without tests and test support,
# the desktop entry, the metainfo and the installer's own texts.
file(GLOB_RECURSE _tr58k_text_sources CONFIGURE_DEPENDS
     RELATIVE "${PROJECT_SOURCE_DIR}"
     "${PROJECT_SOURCE_DIR}/src/*.cpp" "${PROJECT_SOURCE_DIR}/src/*.h")
list(FILTER _tr58k_text_sources EXCLUDE REGEX "(_test\\.cpp$|^src/testing/|/testdata/)")
list(SORT _tr58k_text_sources)
set(TR58K_DESKTOP_TEMPLATE "data/io.github.zemo_tr58k.Config.desktop.in")
set(TR58K_METAINFO_TEMPLATE "data/io.github.zemo_tr58k.Config.metainfo.xml.in")
set(TR58K_INSTALLER_TEXTS "packaging/windows/installer_texts.desktop.in")
# The installer's keys, beside the desktop entry's own (Name, Comment, ...).
set(TR58K_INSTALLER_KEYS Caption Needs64Bit ProgramRunning)
list(APPEND _tr58k_text_sources
     ${TR58K_DESKTOP_TEMPLATE} ${TR58K_METAINFO_TEMPLATE} ${TR58K_INSTALLER_TEXTS})

# --qt marks texts with %1 as qt-format, the placeholders Format fills in,
# so that msgfmt --check compares them in every translation.
set(_tr58k_keywords --keyword=Tr --keyword=TrN:1,2 --keyword=N_)
foreach(_key IN LISTS TR58K_INSTALLER_KEYS)
  list(APPEND _tr58k_keywords --keyword=${_key})
endforeach()
set(TR58K_POT "${TR58K_PO_BINARY_DIR}/tr58k.pot")
add_custom_command(OUTPUT "${TR58K_POT}"
  COMMAND "${TR58K_XGETTEXT}" --qt --from-code=UTF-8 --add-location=file
          --add-comments=TRANSLATORS: --package-name=tr58k
          "--copyright-holder=The tr58k developers"
          ${_tr58k_keywords} -o "${TR58K_POT}" ${_tr58k_text_sources}
  DEPENDS ${_tr58k_text_sources}
  WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}"
  COMMENT "Collecting the program's texts into po/tr58k.pot"
  VERBATIM)
add_custom_target(tr58k_pot ALL DEPENDS "${TR58K_POT}")

# For translators: the template into po/, every catalogue brought up to it.
set(_tr58k_merges "")
foreach(_lang IN LISTS TR58K_LANGUAGES)
  list(APPEND _tr58k_merges COMMAND "${TR58K_MSGMERGE}" --quiet --update --backup=none
       "${TR58K_PO_DIR}/${_lang}.po" "${TR58K_PO_DIR}/tr58k.pot")
endforeach()
add_custom_target(tr58k_update_po
  COMMAND "${CMAKE_COMMAND}" -E copy "${TR58K_POT}" "${TR58K_PO_DIR}/tr58k.pot"
  ${_tr58k_merges}
  DEPENDS "${TR58K_POT}"
  COMMENT "Updating po/tr58k.pot and the catalogues"
  VERBATIM)

# Each catalogue checked (formats, header, plural forms) and compiled, then
# written into a C++ source as bytes, for `target` (tr58k_i18n_data, called
# from its folder so that the sources are made there). A catalogue msgfmt
# refuses stops the build.
function(tr58k_add_catalogue_sources target)
  set(_embed "${PROJECT_SOURCE_DIR}/src/firmware/embed_binary.cmake")
  set(_sources "")
  set(_tr58k_declarations "")
  set(_tr58k_entries "")
  foreach(_lang IN LISTS TR58K_LANGUAGES)
    set(_po "${TR58K_PO_DIR}/${_lang}.po")
    set(_mo "${TR58K_PO_BINARY_DIR}/${_lang}.mo")
    set(_cpp "${TR58K_PO_BINARY_DIR}/catalogue_${_lang}.cpp")
    add_custom_command(OUTPUT "${_mo}"
      COMMAND "${TR58K_MSGFMT}" --check -o "${_mo}" "${_po}"
      DEPENDS "${_po}"
      COMMENT "Compiling the ${_lang} catalogue"
      VERBATIM)
    add_custom_command(OUTPUT "${_cpp}"
      COMMAND "${CMAKE_COMMAND}" -DINPUT=${_mo} -DOUTPUT=${_cpp}
              -DFUNCTION=CatalogueBytes_${_lang} -P "${_embed}"
      DEPENDS "${_mo}" "${_embed}"
      VERBATIM)
    list(APPEND _sources "${_cpp}")
    string(APPEND _tr58k_declarations "std::span<const uint8_t> CatalogueBytes_${_lang}();\n")
    string(APPEND _tr58k_entries "      {\"${_lang}\", CatalogueBytes_${_lang}()},\n")
  endforeach()
  configure_file("${PROJECT_SOURCE_DIR}/src/i18n/embedded_catalogues.cpp.in"
                 "${TR58K_PO_BINARY_DIR}/embedded_catalogues.cpp" @ONLY)
  target_sources(${target} PRIVATE ${_sources} "${TR58K_PO_BINARY_DIR}/embedded_catalogues.cpp")
endfunction()

# The desktop entry and the metainfo with every language in them, through
# their own conventions (Name[de]=..., xml:lang="de"). The Windows build
# takes the installer's texts the same way.
function(tr58k_translate_desktop_file template output)
  set(_keys "")
  foreach(_key IN LISTS ARGN)
    list(APPEND _keys --keyword=${_key})
  endforeach()
  set(_pos "")
  foreach(_lang IN LISTS TR58K_LANGUAGES)
    list(APPEND _pos "${TR58K_PO_DIR}/${_lang}.po")
  endforeach()
  add_custom_command(OUTPUT "${output}"
    COMMAND "${TR58K_MSGFMT}" --desktop --template=${PROJECT_SOURCE_DIR}/${template}
            -d "${TR58K_PO_DIR}" ${_keys} -o "${output}"
    DEPENDS "${PROJECT_SOURCE_DIR}/${template}" ${_pos} "${TR58K_PO_DIR}/LINGUAS"
    VERBATIM)
endfunction()

if(NOT TR58K_WINDOWS)
  set(TR58K_DESKTOP_FILE "${PROJECT_BINARY_DIR}/data/io.github.zemo_tr58k.Config.desktop")
  set(TR58K_METAINFO_FILE "${PROJECT_BINARY_DIR}/data/io.github.zemo_tr58k.Config.metainfo.xml")
  file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/data")
  tr58k_translate_desktop_file(${TR58K_DESKTOP_TEMPLATE} "${TR58K_DESKTOP_FILE}")
  set(_pos "")
  foreach(_lang IN LISTS TR58K_LANGUAGES)
    list(APPEND _pos "${TR58K_PO_DIR}/${_lang}.po")
  endforeach()
  add_custom_command(OUTPUT "${TR58K_METAINFO_FILE}"
    COMMAND "${TR58K_MSGFMT}" --xml --template=${PROJECT_SOURCE_DIR}/${TR58K_METAINFO_TEMPLATE}
            -d "${TR58K_PO_DIR}" -o "${TR58K_METAINFO_FILE}"
    DEPENDS "${PROJECT_SOURCE_DIR}/${TR58K_METAINFO_TEMPLATE}" ${_pos} "${TR58K_PO_DIR}/LINGUAS"
    VERBATIM)
  add_custom_target(tr58k_desktop_files ALL DEPENDS "${TR58K_DESKTOP_FILE}" "${TR58K_METAINFO_FILE}")
endif()

# The catalogues' own tests: msgfmt --check on each, every one complete and
# up to date with the template, the template up to date with the code.
if(TR58K_BUILD_TESTS AND NOT TR58K_WINDOWS)
  add_test(NAME po_catalogues_check
    COMMAND "${CMAKE_COMMAND}" -DPO_DIR=${TR58K_PO_DIR} -DPOT=${TR58K_POT}
            "-DLANGUAGES=${TR58K_LANGUAGES}" -P "${PROJECT_SOURCE_DIR}/po/check_catalogues.cmake")
endif()
