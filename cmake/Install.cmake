# What an installed Snaprill consists of, and the Debian package made of it
# (`./dev package`). The data folder share/snaprill/ is also how the program tells
# an installed copy from a portable one.
include(GNUInstallDirs)

# The home page (SNAPRILL_HOME_PAGE, set in src/) also gives the software centre its
# link and the screenshots' public addresses; without one, neither is written.

# Software centres want a reverse domain name; this one is the project's name in the
# form they expect until a home page gives a better one.
set(SNAPRILL_APPSTREAM_ID "org.snaprill.Snaprill" CACHE STRING "AppStream component ID")
set(SNAPRILL_APPSTREAM_LINKS "")
if(SNAPRILL_HOME_PAGE)
  string(REGEX REPLACE "/$" "" home "${SNAPRILL_HOME_PAGE}")
  string(APPEND SNAPRILL_APPSTREAM_LINKS "  <url type=\"homepage\">${home}/</url>\n"
         "  <screenshots>\n"
         "    <screenshot type=\"default\"><image>${home}/docs/screenshots/general-100.png</image>"
         "</screenshot>\n"
         "    <screenshot><image>${home}/docs/screenshots/dimensions-effects-100.png</image>"
         "</screenshot>\n"
         "  </screenshots>\n")
endif()

set(data ${PROJECT_SOURCE_DIR}/data)
set(generated ${PROJECT_BINARY_DIR}/install)
configure_file(${data}/snaprill.metainfo.xml.in
               ${generated}/${SNAPRILL_APPSTREAM_ID}.metainfo.xml @ONLY)
configure_file(${data}/package/changelog.in ${generated}/changelog @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/docs/man/snaprill.1 ${generated}/snaprill.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/docs/man/snaprill-batch.1 ${generated}/snaprill-batch.1 @ONLY)

# Debian wants manual pages and the changelog compressed to the maximum, without a
# time stamp that would make each build's package differ.
find_program(GZIP gzip REQUIRED)
set(compressed)
foreach(name snaprill.1 snaprill-batch.1 changelog)
  add_custom_command(OUTPUT ${generated}/${name}.gz
                     COMMAND ${GZIP} -9nc ${generated}/${name} > ${generated}/${name}.gz
                     DEPENDS ${generated}/${name} VERBATIM)
  list(APPEND compressed ${generated}/${name}.gz)
endforeach()
add_custom_target(snaprill_install_files ALL DEPENDS ${compressed})

# The language files and the manual they name, where the program looks for them.
list(TRANSFORM SNAPRILL_LANGUAGE_FILES PREPEND ${data}/ OUTPUT_VARIABLE language_files)
install(FILES ${language_files} ${data}/snaprill-manual.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/snaprill)
# The desktop entry names the program by its installed path: KWin 6 lets a program
# use its screenshot service (X-KDE-DBUS-Restricted-Interfaces) only where the first
# word of an installed entry's Exec, taken as a path, is the program's own
# executable (a bare "snaprill" is looked for in KWin's working folder, and found
# nowhere). The prefix is the one the install goes to, which `cmake --install
# --prefix` and the package (/usr) choose only then.
install(CODE "
  set(SNAPRILL_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/snaprill\")
  if(IS_ABSOLUTE \"${CMAKE_INSTALL_BINDIR}\")
    set(SNAPRILL_PROGRAM \"${CMAKE_INSTALL_BINDIR}/snaprill\")
  endif()
  configure_file(\"${data}/snaprill.desktop.in\" \"${generated}/snaprill.desktop\" @ONLY)
")
install(FILES ${generated}/snaprill.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${SNAPRILL_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${data}/icons/snaprill.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${data}/icons/snaprill-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME snaprill.png)
endforeach()
install(FILES ${generated}/snaprill.1.gz ${generated}/snaprill-batch.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The README holds what translators need; the language file and the manual point
# to it.
install(FILES ${data}/package/copyright ${generated}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME snaprill)
set(CPACK_PACKAGE_VENDOR "Snaprill developers")
set(CPACK_PACKAGE_CONTACT "Snaprill developers <maintainers@users.noreply.c-seed-4b2c5454.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save every screenshot on the clipboard as a numbered file")
# The long description; CPack puts the summary above it and indents each line.
# WebP, AVIF and JPEG XL come with their libraries.
if(SNAPRILL_MODERN_TYPES)
  set(type_count twelve)
else()
  set(type_count nine)
endif()
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Snaprill watches the clipboard. Whenever a picture arrives there (Print
Screen, a hotkey, its automation timer or any program that copies a
picture), it takes it, applies the chosen adjustments (cursor, crop,
resize, overlay picture, date and time text, invert, grayscale) and writes
it as the next numbered file in one of ${type_count} formats.
.
snaprill-batch does the same for picture files, from scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins Qt loads at run time: the X11 and offscreen platforms, and the readers of
# TIFF and WebP pictures offered on the clipboard.
# Qt's own translations: its dialogs speak the language the user chose.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins, qt6-translations-l10n")
if(SNAPRILL_MODERN_TYPES)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", libwebp7, libwebpmux3, libavif15, libjxl0.7")
endif()
# The capture history reads the words in pictures through Tesseract, loaded when the
# first picture is read: without it (or its language data) everything but the text
# is kept. The interface languages' data is suggested beside English's.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libtesseract5, tesseract-ocr-eng")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "tesseract-ocr-deu, tesseract-ocr-fra, tesseract-ocr-spa, tesseract-ocr-ita, tesseract-ocr-pol, tesseract-ocr-rus, tesseract-ocr-por, tesseract-ocr-jpn, tesseract-ocr-chi-sim")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
