# The Debian package, made by scripts/package with CPack's DEB generator.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lumora developers <lumora@lumora.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://lumora.org/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "multimedia viewer and file browser")
# CPack indents the lines and turns the empty one into the paragraph mark.
set(CPACK_PACKAGE_DESCRIPTION "Lumora joins a folder browser and a preview pane in one window: pick a file
and see the picture (BMP, ICO, JPEG, TGA, PCX, WMF, EMF), hear the sound or
MIDI file, or watch the MPEG video at once. Filters list only pictures,
sounds, videos, MIDI or icons, or files matching your own masks.

Slideshows are built in an editor, saved and played full-screen; a quick
slideshow plays the pictures of a folder. Files can be copied, moved and
deleted, with favourite folders as destinations.")
# The package's own documents, only in the package: an installation with
# cmake --install keeps to the program's files.
set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND gzip -9n --stdout ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(lumora_changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumora COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_COMPONENTS_ALL Unspecified debian)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

# dpkg-shlibdeps finds the libraries the program and its media module link;
# these are what they start or open at run time, which it cannot see: the
# General MIDI sound font FluidSynth plays MIDI with, and xdg-open for the help
# pages and for opening files.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm, xdg-utils")
# The volume mixer of View > Mixer.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pavucontrol | alsa-utils")
include(CPack)
